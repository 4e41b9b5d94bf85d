#pragma once

#include <cstdint>
#include <vector>

#include "atmosphere/Thermal.h"

// A day's thermals scattered at random over a square around a point, from a
// seed: the same seed always gives the same thermals, bit for bit.
struct RandomThermals {
    static constexpr int kMaxCount = 1000;
    static constexpr double kMaxDensity = 100.0; // (unit: per km²)

    int count = 0;
    std::uint64_t seed = 1;
    double density = 1.0;  // (unit: per km²) sets the square's size
    double updraft = 2.5;  // (unit: m/s) the typical core updraft
    double radius = 100.0; // (unit: m) the typical outer radius
    // Updrafts and radii spread evenly-ish over ±spread of their typical
    // value (a triangular distribution: the sum of two uniform draws).
    double spread = 0.4;
};

// The square is centred on (centreX, centreY) m and holds `count` thermals at
// `density` per km²; its area is what their sink is spread over.
std::vector<Thermal> scatterThermals(const RandomThermals& scatter, double centreX, double centreY);
double scatterArea(const RandomThermals& scatter); // (unit: m²)
