#include <gtest/gtest.h>

#include "physics/ParticleSystem.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

// Weightless test worlds: gravity 0 so only the constraints move particles.
Particle at(const Vector3D& position, double mass) {
    Particle p;
    p.position = position;
    p.mass = mass;
    p.ignoresTerrain = true;
    return p;
}

} // namespace

TEST(DistanceConstraint, MakeTakesTheCurrentDistanceAndTheSumOfReciprocalMasses) {
    Particle a = at(Vector3D(0, 0, 0), 2.0);
    Particle b = at(Vector3D(3, 4, 0), 4.0);
    const DistanceConstraint c = DistanceConstraint::make(a, b);
    EXPECT_EQ(c.a, &a);
    EXPECT_EQ(c.b, &b);
    EXPECT_EQ(c.restLength, 5.0);
    EXPECT_EQ(c.inverseMassSum, 0.75);
}

TEST(DistanceConstraint, AddReturnsSuccessiveIndices) {
    ParticleSystem world(0.0, 100);
    Particle a = at(Vector3D(0, 0, 0), 1.0);
    Particle b = at(Vector3D(1, 0, 0), 1.0);
    EXPECT_EQ(world.addConstraint(DistanceConstraint::make(a, b)), 0);
    EXPECT_EQ(world.addConstraint(DistanceConstraint::make(a, b)), 1);
    EXPECT_EQ(world.addConstraint(DistanceConstraint::make(b, a)), 2);
    EXPECT_EQ(world.constraintCount(), 3);
}

// Masses 1 (a) and 3 (b), 2 m apart, held by one constraint of rest length 1.
struct ShortenedPair {
    ParticleSystem world{0.0, 100};
    Particle a = at(Vector3D(0, 0, 10), 1.0);
    Particle b = at(Vector3D(2, 0, 10), 3.0);
    ShortenedPair() {
        world.addParticle(&a);
        world.addParticle(&b);
        DistanceConstraint c = DistanceConstraint::make(a, b);
        c.restLength = 1.0;
        world.addConstraint(c);
        world.prepare();
    }
};

TEST(Relaxation, OneConstraintRestoresItsLengthSharingTheMoveByInverseMass) {
    FloatingPointTraps traps;
    // One pass by hand through the phases: k = 3/8, a moves 0.75, b 0.25.
    ShortenedPair byHand;
    byHand.world.predictPositions();
    byHand.world.beginRelaxation();
    byHand.world.relaxConstraints();
    byHand.world.applyCorrections();
    byHand.world.endRelaxation();
    byHand.world.resolveContactAndCommit();
    EXPECT_EQ(byHand.a.position, Vector3D(0.75, 0, 10));
    EXPECT_EQ(byHand.b.position, Vector3D(1.75, 0, 10));

    // A whole step ends in the same place: later iterations find nothing to correct.
    ShortenedPair stepped;
    stepped.world.step();
    EXPECT_EQ(stepped.a.position, Vector3D(0.75, 0, 10));
    EXPECT_EQ(stepped.b.position, Vector3D(1.75, 0, 10));
    EXPECT_EQ(stepped.a.position.distanceTo(stepped.b.position), 1.0);
}

TEST(Relaxation, AParticleSharedByTwoConstraintsTakesTheMeanOfTheirCorrections) {
    ParticleSystem world(0.0, 100);
    Particle a = at(Vector3D(0, 0, 10), 1.0);
    Particle b = at(Vector3D(1, 0, 10), 1.0);
    Particle c = at(Vector3D(1, 1, 10), 1.0);
    for (Particle* p : {&a, &b, &c}) {
        world.addParticle(p);
    }
    DistanceConstraint ab = DistanceConstraint::make(a, b);
    DistanceConstraint bc = DistanceConstraint::make(b, c);
    ab.restLength = 0.5; // b is asked to move 0.25 towards a along -x
    bc.restLength = 0.5; // and 0.25 towards c along +y
    world.addConstraint(ab);
    world.addConstraint(bc);
    world.prepare();
    EXPECT_EQ(world.constraintCountOf(a.index), 1);
    EXPECT_EQ(world.constraintCountOf(b.index), 2);
    EXPECT_EQ(world.constraintCountOf(c.index), 1);

    world.predictPositions();
    world.beginRelaxation();
    world.relaxConstraints();
    world.applyCorrections();
    world.endRelaxation();
    world.resolveContactAndCommit();
    EXPECT_DOUBLE_EQ(b.position.x, 1.0 - 0.25 / 2);
    EXPECT_DOUBLE_EQ(b.position.y, 0.25 / 2);
    EXPECT_DOUBLE_EQ(a.position.x, 0.25);
    EXPECT_DOUBLE_EQ(c.position.y, 0.75);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(world.accumulatorOf(i), Vector3D(0, 0, 0)) << "accumulators are cleared after use";
    }
}

TEST(Relaxation, ATriangleOfConstraintsSettlesCloseToEveryRestLength) {
    FloatingPointTraps traps;
    ParticleSystem world(0.0, 100);
    Particle p[3] = {at(Vector3D(0, 0, 5), 1.0), at(Vector3D(1, 0, 5), 2.0), at(Vector3D(0, 1, 5), 3.0)};
    for (Particle& q : p) {
        world.addParticle(&q);
    }
    const int ab = world.addConstraint(DistanceConstraint::make(p[0], p[1]));
    world.addConstraint(DistanceConstraint::make(p[1], p[2]));
    world.addConstraint(DistanceConstraint::make(p[2], p[0]));
    world.prepare();
    world.constraintAt(ab).restLength = 1.2;
    const double inverseMassSum = world.constraintAt(ab).inverseMassSum;
    for (int i = 0; i < 20; ++i) {
        world.step();
    }
    EXPECT_NEAR(p[0].position.distanceTo(p[1].position), 1.2, 1e-6);
    EXPECT_NEAR(p[1].position.distanceTo(p[2].position), std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(p[2].position.distanceTo(p[0].position), 1.0, 1e-6);
    EXPECT_EQ(world.constraintAt(ab).inverseMassSum, inverseMassSum);
}

TEST(Anchors, PinAParticleAtEveryIteration) {
    ParticleSystem world(9.80665, 100);
    Particle pinned = at(Vector3D(0, 0, 10), 1.0);
    Particle hanging = at(Vector3D(1, 0, 10), 1.0);
    world.addParticle(&pinned);
    world.addParticle(&hanging);
    world.addConstraint(DistanceConstraint::make(pinned, hanging));
    world.addAnchor(Anchor{Vector3D(0, 0, 10), &pinned});
    world.prepare();
    for (int i = 0; i < 300; ++i) {
        world.step();
    }
    EXPECT_EQ(pinned.position, Vector3D(0, 0, 10));
    EXPECT_NEAR(hanging.position.distanceTo(pinned.position), 1.0, 1e-3);
    EXPECT_LT(hanging.position.z, 10.0); // swinging down under gravity
}

TEST(Springs, PullStretchedParticlesTogetherSymmetrically) {
    ParticleSystem world(0.0, 100);
    Particle a = at(Vector3D(0, 0, 5), 1.0);
    Particle b = at(Vector3D(2, 0, 5), 1.0);
    world.addParticle(&a);
    world.addParticle(&b);
    world.addSpring(Spring{&a, &b, 1.0, 100.0, 0.0});
    world.prepare();
    world.step();
    // Force 100 N each way on 1 kg: each moves 100·dt² = 0.01 m inwards.
    EXPECT_NEAR(a.position.x, 0.01, 1e-12);
    EXPECT_NEAR(b.position.x, 1.99, 1e-12);
}
