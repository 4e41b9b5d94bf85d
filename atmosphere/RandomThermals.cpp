#include "atmosphere/RandomThermals.h"

#include <cmath>

#include "atmosphere/SplitMix64.h"

double scatterArea(const RandomThermals& spec) { return static_cast<double>(spec.count) / spec.density * 1.0e6; }

std::vector<Thermal> scatterThermals(const RandomThermals& spec, double centreX, double centreY) {
    std::vector<Thermal> thermals;
    if (spec.count <= 0) {
        return thermals;
    }
    const double side = std::sqrt(scatterArea(spec));
    SplitMix64 random(spec.seed);
    // A triangular draw in [-1, 1]: no transcendental functions, so the same
    // bits on every machine.
    auto centred = [&random]() { return random.uniform() + random.uniform() - 1.0; };
    thermals.reserve(static_cast<std::size_t>(spec.count));
    for (int i = 0; i < spec.count; ++i) {
        Thermal t;
        t.x = centreX + (random.uniform() - 0.5) * side;
        t.y = centreY + (random.uniform() - 0.5) * side;
        t.updraft = spec.updraft * (1.0 + spec.spread * centred());
        t.radius = spec.radius * (1.0 + spec.spread * centred());
        thermals.push_back(t);
    }
    return thermals;
}
