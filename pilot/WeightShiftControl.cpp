#include "pilot/WeightShiftControl.h"

#include <algorithm>
#include <cmath>

namespace {
double clampUnit(double value) { return std::isfinite(value) ? std::clamp(value, -1.0, 1.0) : 0.0; }
} // namespace

void WeightShiftControl::apply(Glider& glider, double lateral, double fore) {
    const double wantLateral = clampUnit(lateral);
    const double wantFore = clampUnit(fore);
    if (wantLateral == appliedLateral && wantFore == appliedFore) {
        return;
    }
    // The glider is built with its right wing towards -x and its apex (the
    // front) towards -y, so both shifts move the pilot along negative axes.
    const double dx = -(wantLateral - appliedLateral) * kLateralRange;
    const double dy = -(wantFore - appliedFore) * kForeRange;
    glider.steer(dx, dy);
    appliedLateral = wantLateral;
    appliedFore = wantFore;
}
