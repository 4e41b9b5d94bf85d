#pragma once

#include "physics/Vector3D.h"

class HeightField;

// How strongly the sun heats the ground at a point, against open flat
// ground in the same sun: more on slopes facing it, less on slopes turned
// away, nothing over water, in the shadow of higher ground towards the sun
// or with the sun below the horizon. Thermals are triggered where it is high.
class GroundHeating {
public:
    // The least heating that triggers a thermal: slopes turned well away
    // from the sun (deep shade) stay below it.
    static constexpr double kTriggering = 0.6;
    // How far towards the sun higher ground is looked for.
    static constexpr double kShadowReach = 3000.0; // (unit: m)

    // `terrain` null: flat ground at height 0. `sun` points towards the sun.
    // Ground at or below `waterLevel` (m) is water.
    GroundHeating(const HeightField* terrain, const Vector3D& sun, double waterLevel);

    // 0 (no heating) up to about 1.5 (a slope square to a low sun).
    double at(double x, double y) const;

private:
    const HeightField* terrain;
    Vector3D sun; // unit
    double waterLevel; // (unit: m)
};
