#pragma once

#include "physics/Vector3D.h"

class HeightField;

// Wind meeting rising ground is pushed up it. At the surface the air follows
// the ground, so its vertical velocity is the horizontal wind times the slope
// along it (up the windward face, down the lee); above the ground the
// disturbance dies away with height, as flow over a hill does in linear
// theory, and it is felt from an ever wider stretch of ground, so at height
// the lift reaches out in front of a ridge and the slope's bumps smooth out.
// Works over any height field.
class RidgeLift {
public:
    // How fast the lift dies away with height above the ground: e-fold over
    // about the height of a sizeable ridge.
    static constexpr double kDecayHeight = 150.0; // (unit: m)
    // The shortest stretch of ground the slope is measured over, so single
    // samples of a fine or noisy grid do not make gusts.
    static constexpr double kShortestBaseline = 10.0; // (unit: m)

    // `wind` (m/s): only its horizontal part pushes air up the slopes.
    RidgeLift(const HeightField& terrain, const Vector3D& wind);

    // (unit: m/s) the vertical velocity at (x, y), `height` metres above the
    // ground there. Allocates nothing.
    double verticalVelocity(double x, double y, double height) const;

private:
    const HeightField* terrain;
    double speed;      // (unit: m/s) the horizontal wind's
    double directionX; // unit vector along the horizontal wind
    double directionY;
    double baseline;   // (unit: m) half the shortest stretch the slope is measured over
};
