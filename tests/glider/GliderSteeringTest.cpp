#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "tests/glider/RegisteredGlider.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

std::vector<double> restLengths(const ParticleSystem& world) {
    std::vector<double> lengths;
    for (int c = 0; c < world.constraintCount(); ++c) {
        lengths.push_back(world.constraintAt(c).restLength);
    }
    return lengths;
}

bool isSuspension(const Glider& glider, int c) {
    for (int k = 0; k < glider.suspensionCount(); ++k) {
        if (glider.suspensionConstraint(k) == c) {
            return true;
        }
    }
    return false;
}

// Suspension entries of the start glider: the apex, and the two ends of the base row.
constexpr int kApex = 0;
constexpr int kBaseFirst = 15;
constexpr int kBaseLast = 16;

double suspensionLength(const RegisteredGlider& g, int k) {
    return g.world.constraintAt(g.glider.suspensionConstraint(k)).restLength;
}

TEST(GliderSteering, SteerZeroRightAfterRegistrationLeavesEveryConstraintExactlyAsRegistered) {
    RegisteredGlider g(8);
    const std::vector<double> before = restLengths(g.world);
    g.glider.steer(0.0, 0.0);
    EXPECT_EQ(restLengths(g.world), before); // bit for bit
}

TEST(GliderSteering, UpPressShortensTheApexLineAndLengthensBothBaseEndsAlike) {
    RegisteredGlider g(8);
    FloatingPointTraps traps;
    const std::vector<double> before = restLengths(g.world);
    EXPECT_NEAR(suspensionLength(g, kApex), std::sqrt(3.38), 1e-12);
    EXPECT_NEAR(suspensionLength(g, kBaseFirst), std::sqrt(9.2625), 1e-12); // (2.75, 1.3, 0.1)

    g.glider.steer(0.0, -0.05);

    EXPECT_NEAR(g.glider.pilotReference().y, 150.15, 1e-12);
    EXPECT_NEAR(suspensionLength(g, kApex), std::sqrt(3.2125), 1e-12);     // (0, 1.65, -0.7): about 1.79
    EXPECT_NEAR(suspensionLength(g, kBaseFirst), std::sqrt(9.395), 1e-12); // (2.75, 1.35, 0.1): about 3.07
    EXPECT_EQ(suspensionLength(g, kBaseFirst), suspensionLength(g, kBaseLast));
    // Only the pilot's lines change; the hub-pilot link and the rest keep theirs.
    const std::vector<double> after = restLengths(g.world);
    for (int c = 0; c < g.world.constraintCount(); ++c) {
        if (!isSuspension(g.glider, c)) {
            EXPECT_EQ(after[static_cast<std::size_t>(c)], before[static_cast<std::size_t>(c)]) << c;
        }
    }
}

TEST(GliderSteering, LeftPressMovesThePilotTowardsThePlusXHalf) {
    RegisteredGlider g(8);
    g.glider.steer(0.01, 0.0);
    EXPECT_NEAR(g.glider.pilotReference().x, 0.01, 1e-15);
    EXPECT_NEAR(suspensionLength(g, kBaseFirst), std::sqrt(2.76 * 2.76 + 1.69 + 0.01), 1e-12); // about 3.05
    EXPECT_NEAR(suspensionLength(g, kBaseLast), std::sqrt(2.74 * 2.74 + 1.69 + 0.01), 1e-12);  // about 3.03
    EXPECT_NEAR(suspensionLength(g, kApex), std::sqrt(0.0001 + 3.38), 1e-12);
}

TEST(GliderSteering, TenDownsAndTenUpsReturnThePilotReference) {
    RegisteredGlider g(8);
    const Vector3D start = g.glider.pilotReference();
    const std::vector<double> before = restLengths(g.world);
    for (int press = 0; press < 10; ++press) {
        g.glider.steer(0.0, 0.05);
    }
    EXPECT_NEAR(g.glider.pilotReference().y, start.y + 0.5, 1e-12);
    for (int press = 0; press < 10; ++press) {
        g.glider.steer(0.0, -0.05);
    }
    EXPECT_NEAR(g.glider.pilotReference().y, start.y, 1e-12);
    EXPECT_EQ(g.glider.pilotReference().x, start.x);
    EXPECT_EQ(g.glider.pilotReference().z, start.z);
    const std::vector<double> after = restLengths(g.world);
    for (std::size_t c = 0; c < after.size(); ++c) {
        EXPECT_NEAR(after[c], before[c], 1e-12) << c;
    }
}

TEST(GliderReset, AfterAFlightPutsTheHubAtTheTargetAtRestKeepingShapeAndSteering) {
    RegisteredGlider g(8);
    FloatingPointTraps traps;
    g.world.prepare();
    g.glider.steer(0.03, 0.1);
    for (int step = 0; step < 250; ++step) {
        g.world.step();
    }
    const Vector3D hubBefore = g.glider.hubParticle().position;
    std::vector<Vector3D> offsets;
    for (int k = 0; k < g.world.particleCount(); ++k) {
        offsets.push_back(g.world.particleAt(k).position - hubBefore);
    }
    const Vector3D reference = g.glider.pilotReference();
    const std::vector<double> lengths = restLengths(g.world);
    ASSERT_GT(g.world.velocityOf(g.glider.pilotParticle()).length(), 1.0); // it was flying

    g.glider.reset(start::kGliderPosition);
    g.glider.steer(0.0, 0.0); // as F1 does

    const Vector3D hub = g.glider.hubParticle().position;
    expectNear(hub, start::kGliderPosition, 1e-12);
    for (int k = 0; k < g.world.particleCount(); ++k) {
        SCOPED_TRACE(k);
        const Particle& p = g.world.particleAt(k);
        EXPECT_EQ(g.world.velocityOf(p), Vector3D(0.0, 0.0, 0.0));
        expectNear(p.position - hub, offsets[static_cast<std::size_t>(k)], 1e-9);
    }
    EXPECT_EQ(g.glider.pilotReference(), reference);
    EXPECT_EQ(restLengths(g.world), lengths);
}

} // namespace
