#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scene/StartScene.h"

namespace {

// A small fixed-seed generator of its own, so the soak's key presses do not
// depend on the platform's random functions.
struct PressGenerator {
    std::uint32_t state = 12345;
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

long soakSteps() {
    // GLIDER_SOAK_STEPS=1000000 runs the long version by hand.
    if (const char* value = std::getenv("GLIDER_SOAK_STEPS")) {
        return std::strtol(value, nullptr, 10);
    }
    return 10000;
}

} // namespace

TEST(Soak, RandomSteeringKeepsTheGliderFiniteAndAboveTheGround) {
    start::Flight flight = start::makeFlight(start::makeGeneratedTerrain());
    flight.world->prepare();
    PressGenerator presses;
    const PilotCommand keys[] = {PilotCommand::Left, PilotCommand::Right, PilotCommand::Fore,
                                PilotCommand::Aft,  PilotCommand::Reset, PilotCommand::None};
    long nextPress = 0;
    const long steps = soakSteps();
    for (long step = 0; step < steps; ++step) {
        if (step == nextPress) {
            start::applyCommand(*flight.glider, keys[presses.next() % 6]);
            nextPress = step + 100 + static_cast<long>(presses.next() % 400);
        }
        flight.world->step();
        const Vector3D& pilot = flight.glider->pilotParticle().position;
        ASSERT_TRUE(std::isfinite(pilot.x) && std::isfinite(pilot.y) && std::isfinite(pilot.z)) << "step " << step;
        ASSERT_GE(pilot.z, flight.terrain->heightAt(pilot.x, pilot.y)) << "step " << step;
    }
    for (int i = 0; i < flight.world->particleCount(); ++i) {
        const Vector3D& p = flight.world->particleAt(i).position;
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << "particle " << i;
    }
}
