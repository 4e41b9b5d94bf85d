#pragma once

#include <gtest/gtest.h>

#include "glider/Glider.h"
#include "physics/ParticleSystem.h"
#include "scene/StartScene.h"

// A glider of the start geometry with `subdivisions` row steps, registered in
// a world of its own over flat ground (no terrain), not yet prepared.
struct RegisteredGlider {
    explicit RegisteredGlider(int subdivisions)
        : glider(start::kGliderPosition, start::kSpan, start::kChord, subdivisions, start::kWingMass,
                 start::kPilotMass),
          world(start::kGravity, start::kStepsPerSecond) {
        glider.registerWith(world);
    }

    // True when constraint c joins exactly these two particles, either way round.
    bool joins(int c, const Particle& p, const Particle& q) const {
        const DistanceConstraint& k = world.constraintAt(c);
        return (k.a == &p && k.b == &q) || (k.a == &q && k.b == &p);
    }
    int countJoining(const Particle& p, const Particle& q) const {
        int count = 0;
        for (int c = 0; c < world.constraintCount(); ++c) {
            count += joins(c, p, q) ? 1 : 0;
        }
        return count;
    }
    // The rest length of the one constraint joining p and q; -1 when none does.
    double restLengthBetween(const Particle& p, const Particle& q) const {
        for (int c = 0; c < world.constraintCount(); ++c) {
            if (joins(c, p, q)) {
                return world.constraintAt(c).restLength;
            }
        }
        return -1.0;
    }

    Glider glider;
    ParticleSystem world;
};

// Each coordinate within `tolerance` of the expected one (unit: that of the vectors).
inline void expectNear(const Vector3D& actual, const Vector3D& expected, double tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}
