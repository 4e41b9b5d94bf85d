#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "scene/StartScene.h"
#include "tests/glider/RegisteredGlider.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

// Worst |distance - rest length| over all constraints (unit: metres).
double worstConstraintError(const ParticleSystem& world) {
    double worst = 0.0;
    for (int c = 0; c < world.constraintCount(); ++c) {
        const DistanceConstraint& k = world.constraintAt(c);
        worst = std::fmax(worst, std::fabs(k.a->position.distanceTo(k.b->position) - k.restLength));
    }
    return worst;
}

double fastestParticle(const ParticleSystem& world) {
    double fastest = 0.0;
    for (int k = 0; k < world.particleCount(); ++k) {
        fastest = std::fmax(fastest, world.velocityOf(world.particleAt(k)).length());
    }
    return fastest;
}

bool allFinite(const ParticleSystem& world) {
    for (int k = 0; k < world.particleCount(); ++k) {
        const Vector3D& p = world.particleAt(k).position;
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
            return false;
        }
    }
    return true;
}

// Some particle that feels the ground lies on it.
bool touchesGround(const ParticleSystem& world, const HeightField& terrain) {
    for (int k = 0; k < world.particleCount(); ++k) {
        const Particle& p = world.particleAt(k);
        if (!p.ignoresTerrain && p.position.z <= terrain.heightAt(p.position.x, p.position.y)) {
            return true;
        }
    }
    return false;
}

// Measured on the start flight: the relaxation leaves at most 0.039 m on any
// constraint while airborne, and about 0.004 m once lying on the ground.
constexpr double kAirborneShapeTolerance = 0.05; // (unit: metres)
constexpr double kRestingShapeTolerance = 0.01;  // (unit: metres)
constexpr double kAtRestSpeed = 1e-4;            // (unit: m/s)
constexpr int kStepsPerSecond = start::kStepsPerSecond;

TEST(GliderFlight, StartGliderFliesStaysWholeLandsAndComesToRest) {
    FloatingPointTraps traps;
    start::Flight flight = start::makeFlight(start::makeGeneratedTerrain());
    ParticleSystem& world = *flight.world;
    const HeightField& terrain = *flight.terrain;
    world.prepare();
    const Particle& pilot = flight.glider->pilotParticle();
    const Vector3D departure = pilot.position;

    int landing = -1;
    int rest = -1;
    double worstAirborne = 0.0;
    double landingSpeed = 0.0;
    const int limit = 60 * kStepsPerSecond;
    for (int step = 1; step <= limit && rest < 0; ++step) {
        const double speedBefore = world.velocityOf(pilot).length();
        world.step();
        ASSERT_TRUE(allFinite(world)) << "step " << step;
        if (landing < 0 && touchesGround(world, terrain)) {
            landing = step;
            landingSpeed = speedBefore;
        }
        if (landing < 0) {
            worstAirborne = std::fmax(worstAirborne, worstConstraintError(world));
        } else if (fastestParticle(world) < kAtRestSpeed) {
            rest = step;
        }
    }
    ASSERT_GT(landing, 0) << "never touched the ground";
    ASSERT_GT(rest, 0) << "never came to rest";

    const Vector3D arrival = pilot.position;
    const double distance = std::hypot(arrival.x - departure.x, arrival.y - departure.y);
    const double heightLost = departure.z - arrival.z;
    std::printf("flight: landed after %.2f s, at rest after %.2f s; pilot flew %.2f m, lost %.2f m "
                "(glide ratio %.3f), %.2f m/s just before touchdown; worst constraint error in the "
                "air %.4f m, at rest %.4f m\n",
                landing / static_cast<double>(kStepsPerSecond), rest / static_cast<double>(kStepsPerSecond),
                distance, heightLost, distance / heightLost, landingSpeed, worstAirborne,
                worstConstraintError(world));

    EXPECT_LT(worstAirborne, kAirborneShapeTolerance);
    EXPECT_LT(worstConstraintError(world), kRestingShapeTolerance);
    EXPECT_GT(heightLost, 100.0);
    EXPECT_EQ(world.velocityOf(pilot), Vector3D(0.0, 0.0, 0.0)); // the pilot lies on the ground
    EXPECT_LE(pilot.position.z, terrain.heightAt(pilot.position.x, pilot.position.y));
}

TEST(GliderFlight, SameStartGivesBitIdenticalFlights) {
    RegisteredGlider first(8);
    RegisteredGlider second(8);
    first.world.prepare();
    second.world.prepare();
    second.glider.steer(0.0, 0.0);
    for (int step = 0; step < 300; ++step) {
        first.world.step();
        second.world.step();
    }
    for (int k = 0; k < first.world.particleCount(); ++k) {
        EXPECT_EQ(first.world.particleAt(k).position, second.world.particleAt(k).position) << k;
    }
}

} // namespace
