#pragma once

#include <memory>

#include "terrain/HeightField.h"

// A long straight ridge running along x, its crest on the line y = crestY:
// a bell-shaped cross-section (Gaussian) rising from flat ground at 0, the
// same all along its length. Off the grid the nearest border's height
// continues it, so the ridge never ends under a glider.
struct RidgeShape {
    double height = 100.0;    // (unit: m) crest above the plain
    double width = 150.0;     // (unit: m) crest to where the height has fallen to 1/e
    double crestY = 0.0;      // (unit: m)
    double length = 3000.0;   // (unit: m) grid extent along x, centred on x = 0
    double breadth = 1500.0;  // (unit: m) grid extent along y, centred on the crest
    double spacing = 10.0;    // (unit: m)
};

std::unique_ptr<HeightField> generateRidgeHeightField(const RidgeShape& shape);

// Flat ground at height 0, `size` metres square centred on the origin.
std::unique_ptr<HeightField> generateFlatHeightField(double size, double spacing);
