#pragma once

#include "scene/StartScene.h"

// Holds the glider's weight shift at an absolute position within the control
// range, for inputs that are held rather than pressed. The glider itself
// only knows relative moves of the pilot, so this remembers what it has
// applied and moves by the difference.
class WeightShiftControl {
public:
    static constexpr double kLateralRange = 0.25; // (unit: m) full lateral shift either side
    static constexpr double kForeRange = 0.5;     // (unit: m) full fore or aft shift

    // `lateral` and `fore` in [-1, 1] (clamped): +lateral towards the
    // glider's right, +fore the pilot forward.
    void apply(Glider& glider, double lateral, double fore);

    double lateral() const { return appliedLateral; }
    double fore() const { return appliedFore; }

private:
    double appliedLateral = 0.0;
    double appliedFore = 0.0;
};
