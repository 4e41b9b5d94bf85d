// The flight models behind one scene API: launch, keys, weight shift, reset.
#include <gtest/gtest.h>

#include <cmath>

#include "scene/StartScene.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

start::Flight preparedFlight(start::FlightModel model, const start::Launch& launch = start::Launch()) {
    start::Flight flight = start::makeFlight(std::make_unique<HeightField>(2, 2, -1000.0, -1000.0, 2000.0, 0.0), Vector3D(), model, launch);
    flight.world->prepare();
    return flight;
}

// The apex's direction from the hub, on the ground plane, as a unit vector.
Vector3D apexDirection(const start::Flight& flight) {
    Vector3D d = flight.glider->wingParticle(0).position - flight.glider->hubParticle().position;
    d.z = 0.0;
    d.normalize();
    return d;
}

} // namespace

TEST(FlightModel, NamesAreClassicAndRealisticOnly) {
    start::FlightModel model = start::FlightModel::Classic;
    EXPECT_TRUE(start::flightModelFromName("realistic", model));
    EXPECT_EQ(model, start::FlightModel::Realistic);
    EXPECT_TRUE(start::flightModelFromName("classic", model));
    EXPECT_EQ(model, start::FlightModel::Classic);
    EXPECT_FALSE(start::flightModelFromName("", model));
    EXPECT_FALSE(start::flightModelFromName("CLASSIC", model));
    EXPECT_EQ(model, start::FlightModel::Classic);
}

TEST(FlightModel, TheClassicStartsAtRestAndTheRealisticAtItsTrimSpeedAlongTheHeading) {
    FloatingPointTraps traps;
    const start::Flight classic = preparedFlight(start::FlightModel::Classic);
    EXPECT_EQ(classic.world->velocityOf(classic.glider->pilotParticle()), Vector3D(0.0, 0.0, 0.0));

    const start::Flight realistic = preparedFlight(start::FlightModel::Realistic);
    const double trim = start::launchSpeedOf(start::FlightModel::Realistic, start::Launch());
    EXPECT_GT(trim, 8.0);
    for (int i = 0; i < realistic.world->particleCount(); ++i) {
        const Vector3D v = realistic.world->velocityOf(realistic.world->particleAt(i));
        EXPECT_NEAR(v.x, 0.0, 1e-9);
        EXPECT_NEAR(v.y, -trim, 1e-9);
        EXPECT_NEAR(v.z, 0.0, 1e-9);
    }

    // Heading 90: east, apex and velocity towards +x.
    start::Launch east;
    east.headingDegrees = 90.0;
    east.speed = 12.0;
    const start::Flight turned = preparedFlight(start::FlightModel::Realistic, east);
    const Vector3D v = turned.world->velocityOf(turned.glider->hubParticle());
    EXPECT_NEAR(v.x, 12.0, 1e-9);
    EXPECT_NEAR(v.y, 0.0, 1e-9);
    const Vector3D apex = apexDirection(turned);
    EXPECT_NEAR(apex.x, 1.0, 1e-12);
    EXPECT_NEAR(turned.glider->hubParticle().position.distanceTo(east.position), 0.0, 1e-12);
}

TEST(FlightModel, TheLaunchSpeedIsAnAirspeedSoAWindOfTrimSpeedHoldsTheGliderOverTheLaunch) {
    FloatingPointTraps traps;
    // Heading 180 (towards -y) into a wind blowing towards +y at the trim
    // speed: a foot launch off a windy slope, hanging still over the ground.
    const double trim = start::launchSpeedOf(start::FlightModel::Realistic, start::Launch());
    start::Flight flight = start::makeFlight(std::make_unique<HeightField>(2, 2, -1000.0, -1000.0, 2000.0, 0.0),
                                             Vector3D(0.0, trim, 0.0), start::FlightModel::Realistic, start::Launch());
    flight.world->prepare();
    const Vector3D v = flight.world->velocityOf(flight.glider->pilotParticle());
    EXPECT_NEAR(std::hypot(v.x, v.y), 0.0, 1e-9);
    // F1 after flying about puts it back the same way.
    for (int i = 0; i < 300; ++i) {
        flight.world->step();
    }
    start::applyCommand(flight, PilotCommand::Reset);
    const Vector3D after = flight.world->velocityOf(flight.glider->hubParticle());
    EXPECT_NEAR(std::hypot(after.x, after.y), 0.0, 1e-9);
}

TEST(FlightModel, RealisticResetReturnsToTheLaunchPoseAndSpeedWhateverHappened) {
    FloatingPointTraps traps;
    start::Launch launch;
    launch.position = Vector3D(10.0, 20.0, 300.0);
    launch.headingDegrees = 45.0;
    start::Flight flight = preparedFlight(start::FlightModel::Realistic, launch);
    std::vector<Vector3D> start;
    for (int i = 0; i < flight.world->particleCount(); ++i) {
        start.push_back(flight.world->particleAt(i).position);
    }
    const Vector3D launchVelocity = flight.world->velocityOf(flight.glider->hubParticle());
    start::applyCommand(flight, PilotCommand::Left);
    for (int i = 0; i < 300; ++i) {
        flight.world->step();
    }
    start::applyCommand(flight, PilotCommand::Reset);
    for (int i = 0; i < flight.world->particleCount(); ++i) {
        EXPECT_NEAR(flight.world->particleAt(i).position.distanceTo(start[static_cast<std::size_t>(i)]), 0.0, 1e-9);
        EXPECT_NEAR(flight.world->velocityOf(flight.world->particleAt(i)).distanceTo(launchVelocity), 0.0, 1e-9);
    }
    // The weight shift is the pilot's: it survives the reset.
    EXPECT_LT(start::weightShiftOf(flight).lateral, 0.0);
}

TEST(FlightModel, RealisticKeysStepWithinTheControlFrameAndUndoExactly) {
    start::Flight flight = preparedFlight(start::FlightModel::Realistic);
    start::applyCommand(flight, PilotCommand::Fore);
    const double oneStep = start::weightShiftOf(flight).fore;
    EXPECT_GT(oneStep, 0.0);
    EXPECT_LT(oneStep, 0.5);
    start::applyCommand(flight, PilotCommand::Aft);
    EXPECT_EQ(start::weightShiftOf(flight).fore, 0.0);

    for (int i = 0; i < 100; ++i) {
        start::applyCommand(flight, PilotCommand::Right);
        start::applyCommand(flight, PilotCommand::Aft);
    }
    EXPECT_NEAR(start::weightShiftOf(flight).lateral, 1.0, 1e-9);
    EXPECT_NEAR(start::weightShiftOf(flight).fore, -1.0, 1e-9);
    // Right is -x as built: the pilot's reference moved that way.
    EXPECT_LT(flight.glider->pilotShift().x, 0.0);
    // Aft is +y, away from the apex.
    EXPECT_GT(flight.glider->pilotShift().y, 0.0);
}

TEST(FlightModel, WeightShiftIsClampedToTheRangeAndReadsBack) {
    for (start::FlightModel model : {start::FlightModel::Classic, start::FlightModel::Realistic}) {
        start::Flight flight = preparedFlight(model);
        start::setWeightShift(flight, 0.25, -0.5);
        EXPECT_NEAR(start::weightShiftOf(flight).lateral, 0.25, 1e-12);
        EXPECT_NEAR(start::weightShiftOf(flight).fore, -0.5, 1e-12);
        start::setWeightShift(flight, -7.0, 3.0);
        EXPECT_NEAR(start::weightShiftOf(flight).lateral, -1.0, 1e-12);
        EXPECT_NEAR(start::weightShiftOf(flight).fore, 1.0, 1e-12);
        start::setWeightShift(flight, 0.0, 0.0);
        // Centred again, every suspension line has its built length.
        for (int k = 0; k < flight.glider->suspensionCount(); ++k) {
            const double built = flight.glider->edgeRestPosition(k).distanceTo(flight.glider->pilotReference());
            EXPECT_EQ(flight.world->constraintAt(flight.glider->suspensionConstraint(k)).restLength, built);
        }
    }
}

TEST(FlightModel, ClassicKeysThroughTheFlightAreTheWindowedProgramsKeys) {
    start::Flight viaFlight = preparedFlight(start::FlightModel::Classic);
    start::Flight viaGlider = preparedFlight(start::FlightModel::Classic);
    const PilotCommand keys[] = {PilotCommand::Left,  PilotCommand::Fore, PilotCommand::Reset,
                                PilotCommand::Right, PilotCommand::Aft,  PilotCommand::None};
    for (int round = 0; round < 3; ++round) {
        for (PilotCommand key : keys) {
            start::applyCommand(viaFlight, key);
            start::applyCommand(*viaGlider.glider, key);
            for (int i = 0; i < 40; ++i) {
                viaFlight.world->step();
                viaGlider.world->step();
            }
        }
    }
    for (int i = 0; i < viaFlight.world->particleCount(); ++i) {
        ASSERT_EQ(viaFlight.world->particleAt(i).position, viaGlider.world->particleAt(i).position);
    }
}

TEST(RealisticFlight, ASymmetricLaunchStaysSymmetric) {
    FloatingPointTraps traps;
    start::Flight flight = preparedFlight(start::FlightModel::Realistic);
    const Glider& glider = *flight.glider;
    const int n = glider.subdivisionCount();
    for (int step = 0; step < 2000; ++step) {
        flight.world->step();
    }
    // Mirror images across the keel plane x = 0, to rounding.
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= i; ++j) {
            const Vector3D& p = glider.wingParticle(Glider::rowStart(i) + j).position;
            const Vector3D& q = glider.wingParticle(Glider::rowStart(i) + i - j).position;
            EXPECT_NEAR(p.x, -q.x, 1e-6);
            EXPECT_NEAR(p.y, q.y, 1e-6);
            EXPECT_NEAR(p.z, q.z, 1e-6);
        }
    }
    EXPECT_NEAR(glider.pilotParticle().position.x, 0.0, 1e-6);
}

TEST(RealisticFlight, HandsOffItGlidesInsteadOfDiving) {
    // A coarse guard of what the model is for; the tool glider-model-check
    // measures it against the real targets.
    start::Launch high;
    high.position.z = 400.0;
    start::Flight flight = preparedFlight(start::FlightModel::Realistic, high);
    for (int step = 0; step < 1500; ++step) {
        flight.world->step();
    }
    const Vector3D from = flight.glider->pilotParticle().position;
    for (int step = 0; step < 1500; ++step) {
        flight.world->step();
    }
    const Vector3D to = flight.glider->pilotParticle().position;
    const double ratio = std::hypot(to.x - from.x, to.y - from.y) / (from.z - to.z);
    EXPECT_GT(ratio, 8.0);
    EXPECT_LT(ratio, 14.0);
    const double speed = flight.world->velocityOf(flight.glider->pilotParticle()).length();
    EXPECT_GT(speed, 8.0);
    EXPECT_LT(speed, 12.0);
}

TEST(RealisticFlight, ALandingComesToRestInOnePiece) {
    FloatingPointTraps traps;
    start::Launch low;
    low.position.z = 12.0;
    start::Flight flight = preparedFlight(start::FlightModel::Realistic, low);
    for (int step = 0; step < 3000; ++step) {
        flight.world->step();
    }
    for (int i = 0; i < flight.world->particleCount(); ++i) {
        EXPECT_LT(flight.world->velocityOf(flight.world->particleAt(i)).length(), 0.05) << i;
    }
    for (int c = 0; c < flight.world->constraintCount(); ++c) {
        const DistanceConstraint& k = flight.world->constraintAt(c);
        EXPECT_NEAR(k.a->position.distanceTo(k.b->position), k.restLength, 0.02) << c;
    }
}
