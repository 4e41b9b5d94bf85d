#include <gtest/gtest.h>

#include "physics/ParticleSystem.h"
#include "tests/support/FloatingPointTraps.h"

namespace {
constexpr double kG = 9.80665;
constexpr double kDt = 0.01;
} // namespace

TEST(TimeStep, IsTheReciprocalOfTheStepRateRoundedOnce) {
    EXPECT_EQ(ParticleSystem(kG, 100).timeStepSeconds(), 0.01);
    EXPECT_EQ(ParticleSystem(kG, 3).timeStepSeconds(), 1.0 / 3.0);
}

TEST(FreeFall, FollowsTheTriangularNumbersOfGravityTimesDtSquared) {
    FloatingPointTraps traps;
    for (double mass : {2.0, 0.5, 70.0}) {
        ParticleSystem world(kG, 100);
        Particle p;
        p.position = Vector3D(0, 0, 100);
        p.mass = mass;
        p.ignoresTerrain = true;
        world.addParticle(&p);
        world.prepare();
        EXPECT_EQ(world.velocityOf(p), Vector3D(0, 0, 0));
        for (int n = 1; n <= 3; ++n) {
            world.step();
            const double fallen = n * (n + 1) / 2 * kG * kDt * kDt;
            EXPECT_NEAR(p.position.z, 100.0 - fallen, 1e-12) << "step " << n << " mass " << mass;
            EXPECT_NEAR(world.velocityOf(p).z, -n * kG * kDt, 1e-10);
            EXPECT_EQ(p.position.x, 0.0);
            EXPECT_EQ(p.position.y, 0.0);
        }
    }
}

TEST(FreeFall, VelocityIsZeroAfterPrepareWhateverThePositions) {
    ParticleSystem world(kG, 100);
    Particle a;
    Particle b;
    a.position = Vector3D(5, -3, 7);
    b.position = Vector3D(-1, 2, 40);
    a.mass = b.mass = 1.0;
    world.addParticle(&a);
    world.addParticle(&b);
    world.prepare();
    EXPECT_EQ(a.index, 0);
    EXPECT_EQ(b.index, 1);
    EXPECT_EQ(world.velocityOf(a), Vector3D(0, 0, 0));
    EXPECT_EQ(world.velocityOf(b), Vector3D(0, 0, 0));
}

TEST(Translate, MovesEveryParticleByTheDisplacementAndStopsIt) {
    ParticleSystem world(kG, 100);
    Particle a;
    Particle b;
    a.position = Vector3D(0, 0, 50);
    b.position = Vector3D(1, 0, 60);
    a.mass = b.mass = 1.0;
    a.ignoresTerrain = b.ignoresTerrain = true;
    world.addParticle(&a);
    world.addParticle(&b);
    world.prepare();
    for (int i = 0; i < 10; ++i) {
        world.step();
    }
    const Vector3D aBefore = a.position;
    const Vector3D bBefore = b.position;
    world.translate(Vector3D(1, 2, 3));
    EXPECT_EQ(a.position, aBefore + Vector3D(1, 2, 3));
    EXPECT_EQ(b.position, bBefore + Vector3D(1, 2, 3));
    EXPECT_EQ(world.velocityOf(a), Vector3D(0, 0, 0));
    EXPECT_EQ(world.velocityOf(b), Vector3D(0, 0, 0));
    // The next step starts from rest: it falls by g·dt² only.
    const double z = a.position.z;
    world.step();
    EXPECT_NEAR(a.position.z, z - kG * kDt * kDt, 1e-12);
}

TEST(EmptyWorld, PreparesAndStepsWithoutEffect) {
    ParticleSystem world(kG, 100);
    world.setWind(Vector3D(3, 4, 5));
    world.prepare();
    world.step();
    world.translate(Vector3D(1, 1, 1));
    EXPECT_EQ(world.particleCount(), 0);
}

TEST(Determinism, TwoIdenticalWorldsStayBitIdenticalEveryStep) {
    struct Scene {
        Particle p[3];
        ParticleSystem world{kG, 100};
        Scene() {
            const Vector3D at[3] = {{0, 0, 10}, {1, 0, 10.2}, {0.3, 1, 10.1}};
            for (int i = 0; i < 3; ++i) {
                p[i].position = at[i];
                p[i].mass = 1.0 + i;
                world.addParticle(&p[i]);
            }
            world.addConstraint(DistanceConstraint::make(p[0], p[1]));
            world.addConstraint(DistanceConstraint::make(p[1], p[2]));
            world.addConstraint(DistanceConstraint::make(p[2], p[0]));
            world.addTriangle(WingTriangle{&p[0], &p[1], &p[2]});
            world.setWind(Vector3D(2, -1, 0.5));
            world.prepare();
        }
    };
    Scene first;
    Scene second;
    for (int step = 0; step < 500; ++step) {
        first.world.step();
        second.world.step();
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(first.p[i].position, second.p[i].position) << "step " << step;
        }
    }
}
