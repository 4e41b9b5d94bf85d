// The sail's air force in a world: it asks the world's air where and when,
// and its corner shares add up to the surface's force.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/LiftDragLaw.h"
#include "physics/ParticleSystem.h"
#include "physics/SailAirForce.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

// Records every question and answers with a fixed wind.
class RecordingAir final : public AirField {
public:
    Vector3D velocityAt(const Vector3D& position, double time) const override {
        places.push_back(position);
        times.push_back(time);
        return Vector3D(0.0, 2.0, 0.0);
    }
    mutable std::vector<Vector3D> places;
    mutable std::vector<double> times;
};

Particle at(const Vector3D& position, double mass) {
    Particle p;
    p.position = position;
    p.mass = mass;
    p.ignoresTerrain = true;
    return p;
}

} // namespace

TEST(SailAirForce, AsksTheWorldsAirAtEachPanelsCentroidAndEachBodyAtTheWorldsTime) {
    FloatingPointTraps traps;
    Particle a = at({0, 0, 100}, 1.0), b = at({0, 2, 100}, 1.0), c = at({3, 0, 100}, 1.0), pilot = at({1, 1, 98}, 80.0);
    auto law = std::make_unique<SailAirForce>(LiftDragCoefficients(), LiftDragCoefficients());
    SailAirForce* sail = law.get();
    SailPanel panel;
    panel.p0 = &a;
    panel.p1 = &b;
    panel.p2 = &c;
    sail->addPanel(panel);
    sail->addBody(BodyDrag{&pilot, 0.2});
    ParticleSystem world(9.80665, 100, std::move(law), nullptr);
    for (Particle* p : {&a, &b, &c, &pilot}) {
        world.addParticle(p);
    }
    RecordingAir air;
    world.setAirField(&air);
    world.prepare();
    world.setVelocity(Vector3D(0.0, -10.0, 0.0));
    for (int step = 0; step < 3; ++step) {
        const Vector3D centroid = ((a.position + b.position) + c.position) * (1.0 / 3.0);
        const Vector3D body = pilot.position;
        const double now = world.simulatedTime();
        world.step();
        ASSERT_EQ(air.places.size(), static_cast<std::size_t>(2 * (step + 1)));
        EXPECT_NEAR(air.places[static_cast<std::size_t>(2 * step)].distanceTo(centroid), 0.0, 1e-12);
        EXPECT_EQ(air.places[static_cast<std::size_t>(2 * step + 1)], body);
        EXPECT_EQ(air.times[static_cast<std::size_t>(2 * step)], now);
    }
}

TEST(SailAirForce, ThePanelsCornersShareExactlyTheLawsForceAndBodiesFeelOnlyDrag) {
    FloatingPointTraps traps;
    // Weightless, so the accumulators after the force phase hold the air alone.
    Particle a = at({0, 0, 0}, 1.0), b = at({0, 2, 0}, 1.0), c = at({3, 0, 0}, 1.0), pilot = at({1, 1, -2}, 80.0);
    LiftDragCoefficients k;
    auto law = std::make_unique<SailAirForce>(k, k);
    SailPanel panel;
    panel.p0 = &a;
    panel.p1 = &b;
    panel.p2 = &c;
    law->addPanel(panel);
    law->addBody(BodyDrag{&pilot, 0.2});
    ParticleSystem world(0.0, 100, std::move(law), nullptr);
    for (Particle* p : {&a, &b, &c, &pilot}) {
        world.addParticle(p);
    }
    world.prepare();
    const Vector3D velocity(0.5, -10.0, -1.0);
    world.setVelocity(velocity);
    world.computeForces();
    // (p2 - p0) x (p1 - p0) = (3,0,0) x (0,2,0) = +z: the upper side.
    const SurfaceForce expected =
        liftAndDrag(velocity, Vector3D(0.0, 0.0, 1.0), Vector3D(0.0, 0.0, 0.0), 3.0, world.density(), k);
    const Vector3D total = (world.accumulatorOf(0) + world.accumulatorOf(1)) + world.accumulatorOf(2);
    EXPECT_NEAR(total.distanceTo(expected.force), 0.0, 1e-9 * expected.force.length());
    EXPECT_GT(total.z, 0.0);
    const Vector3D drag = world.accumulatorOf(3);
    const double expectedDrag = 0.5 * world.density() * 0.2 * velocity.squaredLength();
    EXPECT_NEAR(drag.length(), expectedDrag, 1e-9 * expectedDrag);
    EXPECT_NEAR(drag.cross(velocity).length(), 0.0, 1e-9 * expectedDrag);
    EXPECT_LT(drag.dot(velocity), 0.0);
}

TEST(SailAirForce, AWeightShiftBeyondTheSailsTensionLeavesTheSideItMovedToLiftingLessAndDraggingMore) {
    FloatingPointTraps traps;
    // Two mirror-image panels either side of x = 0, tips at x = -5 (warp -1)
    // and x = +5 (warp +1), the hub at the origin and the pilot below it,
    // `offset` metres towards the +x tip; weightless, flying along -y.
    struct Case {
        double offset; // (unit: m)
        int lessLift;  // -1: the -x side lifts less, +1: the +x side, 0: alike
    };
    for (const Case c : {Case{0.05, 0}, Case{-0.05, 0}, Case{0.3, 1}, Case{-0.3, -1}}) {
        // Both wound so that (p2 - p0) x (p1 - p0) points up.
        Particle l0 = at({-1, 0, 0}, 1.0), l1 = at({-4, 0, 0}, 1.0), l2 = at({-1, 2, 0}, 1.0);
        Particle r0 = at({1, 0, 0}, 1.0), r1 = at({1, 2, 0}, 1.0), r2 = at({4, 0, 0}, 1.0);
        Particle hub = at({0, 0, 0}, 1.0), pilot = at({c.offset, 0, -1.3}, 1.0);
        Particle fromTip = at({-5, 1, 0}, 1.0), toTip = at({5, 1, 0}, 1.0);
        auto law = std::make_unique<SailAirForce>(LiftDragCoefficients(), LiftDragCoefficients());
        SailPanel left;
        left.p0 = &l0;
        left.p1 = &l1;
        left.p2 = &l2;
        left.warp = -0.5;
        SailPanel right = left;
        right.p0 = &r0;
        right.p1 = &r1;
        right.p2 = &r2;
        right.warp = 0.5;
        law->addPanel(left);
        law->addPanel(right);
        law->setBillowShift(BillowShift{&pilot, &hub, &fromTip, &toTip, 0.06, 0.3, 2.0, 0.0, 0.0});
        ParticleSystem world(0.0, 100, std::move(law), nullptr);
        for (Particle* p : {&l0, &l1, &l2, &r0, &r1, &r2, &hub, &pilot, &fromTip, &toTip}) {
            world.addParticle(p);
        }
        world.prepare();
        world.setVelocity(Vector3D(0.0, -10.0, -1.0));
        world.computeForces();
        const Vector3D l = (world.accumulatorOf(0) + world.accumulatorOf(1)) + world.accumulatorOf(2);
        const Vector3D r = (world.accumulatorOf(3) + world.accumulatorOf(4)) + world.accumulatorOf(5);
        ASSERT_GT(l.z, 0.0);
        if (c.lessLift == 0) {
            EXPECT_NEAR(l.z, r.z, 1e-9 * l.z) << c.offset << ": the sail's tension holds the keel";
            EXPECT_NEAR(l.y, r.y, 1e-9 * l.z) << c.offset;
        } else {
            const Vector3D& warped = c.lessLift > 0 ? r : l;
            const Vector3D& tight = c.lessLift > 0 ? l : r;
            EXPECT_LT(warped.z, tight.z) << c.offset << ": the slack side lifts less";
            EXPECT_GT(warped.y, tight.y) << c.offset << ": and drags more (against -y), yawing towards it";
        }
    }
}
