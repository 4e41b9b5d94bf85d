#pragma once

#include "glider/GliderShape.h"

namespace start {

// How far and in what steps the pilot's weight moves, in the glider's frame.
struct SteeringLimits {
    double lateralStep = 0.01; // (unit: metres) per left / right press
    double foreStep = 0.05;    // (unit: metres) per up / down press
    // (unit: metres) the full control range each way, for continuous input
    // (the realistic model's key presses stop there too).
    double lateralRange = 0.25;
    double foreRange = 0.5;
};

// What makes one flight model's glider: its build, its steering and its
// launch airspeed.
struct ModelTraits {
    GliderShape shape;
    SteeringLimits steering;
    double launchSpeed = 0.0; // (unit: m/s)
};

const ModelTraits& classicTraits();
const ModelTraits& realisticTraits();

} // namespace start
