#pragma once

#include "physics/Vector3D.h"

// The air the glider flies through: its velocity at any place and time. The
// air forces ask it once per wing triangle (at the triangle's centroid), so a
// field can hold thermals, lift over terrain or anything else that varies in
// space and time. Implementations live above the physics layer.
class AirField {
public:
    virtual ~AirField() = default;
    // (unit: m/s) the air's velocity at `position` (m) at simulated `time` (s).
    virtual Vector3D velocityAt(const Vector3D& position, double time) const = 0;
};

// The same velocity everywhere and always: what a world flies in until it is
// given another field.
class UniformAirField final : public AirField {
public:
    explicit UniformAirField(const Vector3D& velocity_ = Vector3D(0.0, 0.0, 0.0)) : velocity(velocity_) {}
    Vector3D velocityAt(const Vector3D&, double) const override { return velocity; }

    Vector3D velocity; // (unit: m/s)
};
