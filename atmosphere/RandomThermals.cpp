#include "atmosphere/RandomThermals.h"

#include <cmath>

#include "atmosphere/SplitMix64.h"

double scatterArea(const RandomThermals& scatter) { return static_cast<double>(scatter.count) / scatter.density * 1.0e6; }

std::vector<Thermal> scatterThermals(const RandomThermals& scatter, double centreX, double centreY) {
    std::vector<Thermal> thermals;
    if (scatter.count <= 0) {
        return thermals;
    }
    const double side = std::sqrt(scatterArea(scatter));
    SplitMix64 random(scatter.seed);
    // A triangular draw in [-1, 1]: no transcendental functions, so the same
    // bits on every machine.
    auto centred = [&random]() { return random.uniform() + random.uniform() - 1.0; };
    thermals.reserve(static_cast<std::size_t>(scatter.count));
    for (int i = 0; i < scatter.count; ++i) {
        Thermal t;
        t.x = centreX + (random.uniform() - 0.5) * side;
        t.y = centreY + (random.uniform() - 0.5) * side;
        t.updraft = scatter.updraft * (1.0 + scatter.spread * centred());
        t.radius = scatter.radius * (1.0 + scatter.spread * centred());
        thermals.push_back(t);
    }
    return thermals;
}
