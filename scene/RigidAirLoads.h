#pragma once

#include "physics/ParticleSystem.h"
#include "physics/Vector3D.h"

namespace start {

// The air's total force and its moment about a point.
struct AirLoads {
    Vector3D force;  // (unit: N)
    Vector3D moment; // (unit: N m)
};

// The air's loads on a world's particles in the shape they have now, as if
// they moved as one rigid body: `velocity` (m/s) at `centre`, turning at
// `angularVelocity` (rad/s). Sideslip, roll and yaw rates applied to a
// glider frozen in its flying shape give the derivatives its lateral
// stability is made of, free of how the shape itself moves. Gravity is left
// out; the world's state (positions, last positions, accumulators) is as it
// was on return. Not for use inside a step.
AirLoads rigidAirLoads(ParticleSystem& world, const Vector3D& centre, const Vector3D& velocity,
                       const Vector3D& angularVelocity);

// (unit: m) the mass-weighted mean position of a world's particles.
Vector3D massCentre(const ParticleSystem& world);

} // namespace start
