// The instruments against flights whose figures are known in closed form.
#include <gtest/gtest.h>

#include <cmath>

#include "pilot/FlightInstruments.h"
#include "pilot/FlightReading.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

// Flies a straight line at constant velocity for `seconds` in 0.01 s steps.
void fly(FlightInstruments& instruments, const Vector3D& from, const Vector3D& velocity, double seconds,
         const Vector3D& air = Vector3D()) {
    const int steps = static_cast<int>(std::lround(seconds * 100.0));
    for (int i = 0; i <= steps; ++i) {
        FlightInstruments::Reading r;
        r.time = i * 0.01;
        r.position = from + velocity * r.time;
        r.velocity = velocity;
        r.air = air;
        r.terrainHeight = 20.0;
        instruments.update(r, i == 0 ? 0.0 : 0.01);
    }
}

} // namespace

TEST(FlightInstruments, SteadyGlideReadsItsSpeedsHeightsAndGlideRatio) {
    FloatingPointTraps traps;
    FlightInstruments instruments;
    const Vector3D start(0.0, 0.0, 300.0);
    instruments.restart(start, 0.0);
    // 10 m/s north, 1.25 m/s down, into a 3 m/s wind from the north.
    fly(instruments, start, Vector3D(0.0, 10.0, -1.25), 30.0, Vector3D(0.0, -3.0, 0.0));
    EXPECT_NEAR(instruments.groundSpeed(), 10.0, 1e-12);
    EXPECT_NEAR(instruments.airspeed(), std::hypot(13.0, 1.25), 1e-12);
    EXPECT_NEAR(instruments.heightAboveStart(), -37.5, 1e-9);
    EXPECT_NEAR(instruments.heightAboveGround(), 300.0 - 37.5 - 20.0, 1e-9);
    EXPECT_NEAR(instruments.vario(), -1.25, 1e-9);
    EXPECT_NEAR(instruments.averagedClimb(), -1.25, 1e-9);
    EXPECT_NEAR(instruments.glideRatio(), 8.0, 1e-9);
}

TEST(FlightInstruments, VarioLagsAStepChangeAsAFirstOrderNeedle) {
    FloatingPointTraps traps;
    FlightInstruments instruments;
    instruments.restart(Vector3D(), 0.0);
    fly(instruments, Vector3D(), Vector3D(0.0, 0.0, -1.0), 5.0);
    // Into a 2 m/s climb: after one time constant 63 % of the 3 m/s change.
    FlightInstruments::Reading r;
    const int steps = static_cast<int>(std::lround(FlightInstruments::kVarioSeconds * 100.0));
    for (int i = 1; i <= steps; ++i) {
        r.time = 5.0 + i * 0.01;
        r.velocity = Vector3D(0.0, 0.0, 2.0);
        instruments.update(r, 0.01);
    }
    EXPECT_NEAR(instruments.vario(), -1.0 + 3.0 * (1.0 - std::exp(-1.0)), 1e-9);
}

TEST(FlightInstruments, AveragedClimbCoversOnlyTheLastTwentySecondsAndClimbHasNoGlide) {
    FloatingPointTraps traps;
    FlightInstruments instruments;
    instruments.restart(Vector3D(), 0.0);
    fly(instruments, Vector3D(), Vector3D(0.0, 0.0, -3.0), 10.0);
    // 30 s of 1.5 m/s climb afterwards: the sink has left the window.
    FlightInstruments::Reading r;
    for (int i = 1; i <= 3000; ++i) {
        r.time = 10.0 + i * 0.01;
        r.position = Vector3D(5.0 * i * 0.01, 0.0, -30.0 + 1.5 * i * 0.01);
        r.velocity = Vector3D(5.0, 0.0, 1.5);
        instruments.update(r, 0.01);
    }
    EXPECT_NEAR(instruments.averagedClimb(), 1.5, 1e-9);
    EXPECT_EQ(instruments.glideRatio(), 0.0);
}

TEST(FlightInstruments, HeadingIsClockwiseFromNorth) {
    const Vector3D o(1.0, 2.0, 0.0);
    EXPECT_NEAR(headingFrom(o, o + Vector3D(0.0, 1.0, 5.0)), 0.0, 1e-12);
    EXPECT_NEAR(headingFrom(o, o + Vector3D(1.0, 0.0, 0.0)), 90.0, 1e-12);
    EXPECT_NEAR(headingFrom(o, o + Vector3D(0.0, -1.0, 0.0)), 180.0, 1e-12);
    EXPECT_NEAR(headingFrom(o, o + Vector3D(-1.0, 0.0, 0.0)), 270.0, 1e-12);
    EXPECT_EQ(headingFrom(o, o), 0.0);
}
