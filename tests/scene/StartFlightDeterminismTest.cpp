#include <gtest/gtest.h>

#include <cstdio>

#include "scene/StartScene.h"

namespace {

// Every call generates the same terrain: exactly the one the simulator flies
// over.
const HeightField kStartTerrain = *start::makeGeneratedTerrain();

// The start flight with a few presses: left at 5 s, up at 9 s, F1 at 20 s.
struct PressedFlight {
    start::Flight flight = start::makeFlight(std::make_unique<HeightField>(kStartTerrain));
    int steps = 0;
    PressedFlight() { flight.world->prepare(); }
    void step() {
        if (steps == 500) {
            start::applyCommand(*flight.glider, PilotCommand::Left);
        } else if (steps == 900) {
            start::applyCommand(*flight.glider, PilotCommand::Fore);
        } else if (steps == 2000) {
            start::applyCommand(*flight.glider, PilotCommand::Reset);
        }
        flight.world->step();
        ++steps;
    }
    const Vector3D& pilot() const { return flight.glider->pilotParticle().position; }
};

std::string hex(const Vector3D& v) {
    char text[128];
    std::snprintf(text, sizeof text, "(%a, %a, %a)", v.x, v.y, v.z);
    return text;
}

} // namespace

TEST(StartFlightDeterminism, TwoFlightsAreBitIdenticalAtEveryStep) {
    PressedFlight first;
    PressedFlight second;
    for (int i = 0; i < 2500; ++i) {
        first.step();
        second.step();
        for (int p = 0; p < first.flight.world->particleCount(); ++p) {
            ASSERT_EQ(first.flight.world->particleAt(p).position, second.flight.world->particleAt(p).position)
                << "step " << i << " particle " << p;
        }
    }
}

// Pins the exact bits of the start flight. A change to the model, the order
// of floating-point operations or the build flags shows up here first; if it
// is intended, fly it, check it, and pin the new values.
TEST(StartFlightDeterminism, PilotPositionIsPinnedToTheBit) {
    PressedFlight flight;
    for (int i = 0; i < 1000; ++i) {
        flight.step();
    }
    EXPECT_EQ(hex(flight.pilot()), "(0x1.301d9386dac1fp-6, 0x1.e0accacfba184p+6, -0x1.664ff176a8309p+0)") << "after 1000 steps";
    for (int i = 1000; i < 2500; ++i) {
        flight.step();
    }
    EXPECT_EQ(hex(flight.pilot()), "(-0x1.b3a0fe2f74718p+2, 0x1.1521785f9a373p+7, 0x1.cb51fec0cdba7p+4)") << "after 2500 steps";
}

// The realistic model's own pin: its law calls the maths library (atan2,
// exp, sin, cos), so this guards that every build computes the same bits.
TEST(StartFlightDeterminism, RealisticPilotPositionIsPinnedToTheBit) {
    start::Flight flight = start::makeFlight(std::make_unique<HeightField>(kStartTerrain), Vector3D(0.0, 0.0, 0.0),
                                             start::FlightModel::Realistic);
    flight.world->prepare();
    for (int i = 0; i < 500; ++i) {
        if (i == 100) {
            start::applyCommand(flight, PilotCommand::Left);
        }
        if (i == 200) {
            start::applyCommand(flight, PilotCommand::Fore);
        }
        flight.world->step();
    }
    EXPECT_EQ(hex(flight.glider->pilotParticle().position), "(0x1.ee9082198aaadp-1, 0x1.9039e34cc4b93p+6, 0x1.0050f0b20e42ap+7)");
}
