#include <gtest/gtest.h>

#include "physics/ParticleSystem.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

constexpr double kDensity = 1.294217666;

// A weightless triangle whose corners move at `velocity` during the last step;
// `forceOn` returns the air force each corner receives in the next force phase.
struct MovingTriangle {
    Particle p[3];
    ParticleSystem world{0.0, 100};

    MovingTriangle(const Vector3D corners[3], const Vector3D& velocity, const Vector3D& wind,
                   bool reversed = false) {
        for (int i = 0; i < 3; ++i) {
            p[i].position = corners[i];
            p[i].mass = 1.0;
            world.addParticle(&p[i]);
        }
        world.addTriangle(reversed ? WingTriangle{&p[0], &p[2], &p[1]} : WingTriangle{&p[0], &p[1], &p[2]});
        world.setWind(wind);
        world.prepare();
        // Moving the particles after prepare gives them this step's velocity.
        for (Particle& q : p) {
            q.position += velocity * 0.01;
        }
        world.computeForces();
    }
    Vector3D forceOn(int i) const { return world.accumulatorOf(i); }
};

const Vector3D kUnitCorners[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

} // namespace

TEST(AirForce, OpposesMotionAlongTheNormalQuadraticallyOnEveryCorner) {
    FloatingPointTraps traps;
    MovingTriangle t(kUnitCorners, Vector3D(0, 0, 10), Vector3D(0, 0, 0));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.forceOn(i).x, 0.0);
        EXPECT_EQ(t.forceOn(i).y, 0.0);
        EXPECT_NEAR(t.forceOn(i).z, -100.0 * kDensity, 1e-9);
    }
    // Falling instead of rising pushes the other way.
    MovingTriangle falling(kUnitCorners, Vector3D(0, 0, -10), Vector3D(0, 0, 0));
    EXPECT_NEAR(falling.forceOn(0).z, 100.0 * kDensity, 1e-9);
}

TEST(AirForce, MotionInThePlaneOfTheTriangleFeelsNothing) {
    MovingTriangle t(kUnitCorners, Vector3D(10, 0, 0), Vector3D(0, 0, 0));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.forceOn(i), Vector3D(0, 0, 0));
    }
}

TEST(AirForce, DoesNotDependOnTheWinding) {
    MovingTriangle clockwise(kUnitCorners, Vector3D(1, 2, 10), Vector3D(0, 0, 0));
    MovingTriangle counter(kUnitCorners, Vector3D(1, 2, 10), Vector3D(0, 0, 0), true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(clockwise.forceOn(i), counter.forceOn(i));
    }
}

TEST(AirForce, WindEqualToTheTriangleVelocityCancelsTheForce) {
    const Vector3D velocity(0, 0, 10);
    // The corners' mean velocity comes out of a backward difference; the
    // residue against the exact wind is rounding, many orders below 100·ρ.
    MovingTriangle t(kUnitCorners, velocity, velocity);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(t.forceOn(i).z, 0.0, 1e-20);
    }
    // Still air with the same wind blowing upwards through a resting triangle
    // is the mirror case: it pushes the triangle up.
    MovingTriangle resting(kUnitCorners, Vector3D(0, 0, 0), Vector3D(0, 0, 10));
    EXPECT_NEAR(resting.forceOn(0).z, 100.0 * kDensity, 1e-9);
}

TEST(AirForce, DegenerateTrianglesAreSkipped) {
    FloatingPointTraps traps; // skipping must not divide by a zero area
    const Vector3D collinear[3] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    MovingTriangle t(collinear, Vector3D(0, 0, 10), Vector3D(0, 0, 0));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.forceOn(i), Vector3D(0, 0, 0));
    }
}

TEST(AirForce, WindHasNoEffectOnAWorldWithoutTriangles) {
    Particle calm;
    Particle windy;
    ParticleSystem still(9.80665, 100);
    ParticleSystem blown(9.80665, 100);
    calm.mass = windy.mass = 1.0;
    calm.position = windy.position = Vector3D(0, 0, 50);
    still.addParticle(&calm);
    blown.addParticle(&windy);
    blown.setWind(Vector3D(30, -20, 5));
    still.prepare();
    blown.prepare();
    for (int i = 0; i < 50; ++i) {
        still.step();
        blown.step();
    }
    EXPECT_EQ(calm.position, windy.position);
}

namespace {
// Blows upwards only where and when it is asked about the given point and time.
struct PointedField final : AirField {
    Vector3D where;
    double when = 0.0;
    mutable Vector3D askedAt;
    mutable double askedWhen = -1.0;
    Vector3D velocityAt(const Vector3D& position, double time) const override {
        askedAt = position;
        askedWhen = time;
        return Vector3D(0, 0, 10);
    }
};
} // namespace

TEST(AirForce, AFieldIsAskedAtTheTriangleCentroidAtTheWorldsTime) {
    const Vector3D corners[3] = {{0, 0, 0}, {3, 0, 0}, {0, 3, 0}};
    Particle p[3];
    ParticleSystem world(0.0, 100);
    for (int i = 0; i < 3; ++i) {
        p[i].position = corners[i];
        p[i].mass = 1.0;
        world.addParticle(&p[i]);
    }
    world.addTriangle(WingTriangle{&p[0], &p[1], &p[2]});
    PointedField field;
    world.setAirField(&field);
    world.prepare();
    world.computeForces();
    // Rising air through a resting triangle pushes it up, as the same wind would.
    EXPECT_GT(world.accumulatorOf(0).z, 0.0);
    EXPECT_EQ(field.askedWhen, 0.0);
    world.prepare();
    for (int i = 0; i < 7; ++i) {
        world.step();
    }
    world.computeForces();
    EXPECT_NEAR(field.askedWhen, 0.07, 1e-12);
    EXPECT_NEAR(field.askedAt.x, 1.0, 1e-12);
    EXPECT_NEAR(field.askedAt.y, 1.0, 1e-12);
    // Null goes back to the uniform wind.
    world.setWind(Vector3D(1, 2, 3));
    world.setAirField(nullptr);
    EXPECT_EQ(world.airField().velocityAt(Vector3D(), 0.0), Vector3D(1, 2, 3));
}
