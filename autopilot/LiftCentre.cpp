#include "autopilot/LiftCentre.h"

#include <algorithm>
#include <cmath>

LiftCentre::LiftCentre(double stillAirSink_, double memory_) : stillAirSink(stillAirSink_), memory(memory_) {}

void LiftCentre::feel(double x, double y, double climb, double seconds) {
    const double fade = memory > 0.0 ? std::exp(-seconds / memory) : 0.0;
    // Lift above still air, squared: the core counts far more than the
    // thermal's fringe, and sink not at all.
    const double lift = std::max(climb + stillAirSink, 0.0);
    const double w = lift * lift * seconds;
    weight = weight * fade + w;
    sumX = sumX * fade + w * x;
    sumY = sumY * fade + w * y;
    if (weight < 1e-9) {
        forget();
    }
}
