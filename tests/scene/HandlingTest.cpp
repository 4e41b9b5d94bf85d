// The realistic glider's answers a pilot judges first: how quickly full
// weight shift banks it, and where it trims hands off. They fail when the
// roll answer slows or the trim leaves the class's published band.
#include <gtest/gtest.h>

#include <cmath>

#include "autopilot/PilotView.h"
#include "scene/StartScene.h"

namespace {

start::Flight realisticFlight() {
    start::Launch launch;
    launch.position.z = 600.0;
    start::Flight flight = start::makeFlight(std::make_unique<HeightField>(2, 2, -1.0e6, -1.0e6, 2.0e6, 0.0),
                                             Vector3D(), start::FlightModel::Realistic, launch);
    flight.world->prepare();
    return flight;
}

void fly(start::Flight& flight, double seconds) {
    for (int i = 0; i < static_cast<int>(std::lround(seconds * 100.0)); ++i) {
        flight.world->step();
    }
}

double bankOf(const start::Flight& flight) { return observe(*flight.glider, *flight.world).bank; }

} // namespace

TEST(Handling, FullShiftFromTrimBanksThirtyDegreesWithinThreeAndAHalfSecondsEitherWay) {
    struct Case {
        const char* side;
        double lateral;
    };
    for (const Case c : {Case{"right", 1.0}, Case{"left", -1.0}}) {
        start::Flight flight = realisticFlight();
        fly(flight, 15.0);
        start::setWeightShift(flight, c.lateral, 0.0);
        double reached = -1.0;
        for (int i = 1; i <= 350 && reached < 0.0; ++i) {
            fly(flight, 0.01);
            if (bankOf(flight) * c.lateral >= 30.0) {
                reached = i * 0.01;
            }
        }
        EXPECT_GT(reached, 0.0) << c.side << ": still short of 30 degrees after 3.5 s";
        // Not a flick either: real wings take a second or more.
        EXPECT_GT(reached, 1.0) << c.side;
    }
}

TEST(Handling, HandsOffTrimAndFullSpeedLieInThePublishedBand) {
    struct Case {
        const char* what;
        double fore;
        double lowest, highest; // (unit: km/h)
    };
    for (const Case c : {Case{"hands off", 0.0, 32.0, 37.0}, Case{"fully pulled in", 1.0, 80.0, 90.0}}) {
        start::Flight flight = realisticFlight();
        start::setWeightShift(flight, 0.0, c.fore);
        fly(flight, 40.0);
        double sum = 0.0;
        for (int i = 0; i < 100; ++i) {
            fly(flight, 0.1);
            sum += flight.world->velocityOf(flight.glider->pilotParticle()).length();
        }
        const double kmh = sum / 100.0 * 3.6;
        EXPECT_GE(kmh, c.lowest) << c.what;
        EXPECT_LE(kmh, c.highest) << c.what;
    }
}

TEST(Handling, AShortFullShiftThenCentredKeepsTheBankItGave) {
    // How a pilot starts a turn: full shift for a second or two, then the
    // bar centred. The wing keeps turning that way at a thermalling bank; it
    // neither rolls back through level nor winds on into a spiral.
    for (const double hold : {1.0, 1.5, 2.0}) {
        start::Flight flight = realisticFlight();
        fly(flight, 15.0);
        start::setWeightShift(flight, 1.0, 0.0);
        fly(flight, hold);
        start::setWeightShift(flight, 0.0, 0.0);
        fly(flight, 10.0);
        double sum = 0.0;
        for (int i = 0; i < 10; ++i) {
            fly(flight, 1.0);
            sum += bankOf(flight);
        }
        EXPECT_GE(sum / 10.0, 12.0) << hold << " s";
        EXPECT_LE(sum / 10.0, 32.0) << hold << " s";
    }
}

TEST(Handling, TheSpeedsSwingAfterAPitchInputDiesAwayWithinAFewCycles) {
    start::Flight flight = realisticFlight();
    const double trim = start::launchSpeedOf(start::FlightModel::Realistic, start::Launch());
    fly(flight, 30.0);
    // Pulled in a third of the way for 2 s, then back to hands off.
    start::setWeightShift(flight, 0.0, 1.0 / 3.0);
    fly(flight, 2.0);
    start::setWeightShift(flight, 0.0, 0.0);
    // The widest swing from trim in the first 8 s, and in 8 s two cycles on.
    double swing[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < 240; ++i) {
        fly(flight, 0.1);
        const double off = std::fabs(flight.world->velocityOf(flight.glider->pilotParticle()).length() - trim);
        swing[i / 80] = std::fmax(swing[i / 80], off);
    }
    EXPECT_GT(swing[0], 2.0) << "the input must swing the speed";
    EXPECT_LT(swing[2], 0.45 * swing[0]) << "first swing " << swing[0] << " m/s, two cycles on " << swing[2] << " m/s";
}
