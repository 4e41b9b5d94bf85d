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
