// Weight shift from held keys, a stick and the mouse, and its effect on the
// glider's pilot reference.
#include <gtest/gtest.h>

#include <cmath>

#include "pilot/PilotFlight.h"
#include "pilot/WeightShiftInput.h"
#include "scene/StartScene.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

// Holds the input's keys for `seconds` of 0.01 s steps.
void hold(WeightShiftInput& input, double seconds) {
    for (int i = 0; i < static_cast<int>(std::lround(seconds * 100.0)); ++i) {
        input.update(0.01);
    }
}

} // namespace

TEST(WeightShiftInput, HeldKeysTravelSteadilyToTheStopAndReleasedDriftBack) {
    WeightShiftInput input;
    input.setKey(WeightShiftInput::Right, true);
    hold(input, 0.2);
    EXPECT_NEAR(input.lateral(), 0.3, 1e-9); // 1.5 per second
    hold(input, 2.0);
    EXPECT_EQ(input.lateral(), 1.0);
    input.setKey(WeightShiftInput::Right, false);
    hold(input, 0.5);
    EXPECT_NEAR(input.lateral(), 0.5, 1e-9); // back at 1.0 per second
    hold(input, 1.0);
    EXPECT_EQ(input.lateral(), 0.0);

    input.setKey(WeightShiftInput::Forward, true);
    input.setKey(WeightShiftInput::Left, true);
    hold(input, 0.4);
    EXPECT_NEAR(input.fore(), 0.6, 1e-9);
    EXPECT_NEAR(input.lateral(), -0.6, 1e-9);
    // Both sides held cancel: the weight drifts back as if none were.
    input.setKey(WeightShiftInput::Right, true);
    hold(input, 0.1);
    EXPECT_NEAR(input.lateral(), -0.5, 1e-9);
}

TEST(WeightShiftInput, StickHasADeadZoneWithoutAJumpAtItsEdge) {
    WeightShiftInput input;
    input.setStick(0.1, -0.14);
    EXPECT_EQ(input.lateral(), 0.0);
    EXPECT_EQ(input.fore(), 0.0);
    input.setStick(0.16, 0.0);
    EXPECT_NEAR(input.lateral(), 0.01 / 0.85, 1e-12);
    input.setStick(1.0, -1.0); // pushed forward and right
    EXPECT_EQ(input.lateral(), 1.0);
    EXPECT_EQ(input.fore(), 1.0);
    input.setStick(std::nan(""), 5.0);
    EXPECT_EQ(input.lateral(), 0.0);
    EXPECT_EQ(input.fore(), -1.0);

    WeightShiftInput::Settings inverted;
    inverted.invertFore = true;
    inverted.deadZone = 3.0; // out of range: held to 0.9
    input.setSettings(inverted);
    EXPECT_EQ(input.settings().deadZone, 0.9);
    input.setStick(0.0, 1.0);
    EXPECT_EQ(input.fore(), 1.0);
}

TEST(WeightShiftInput, StickAndMouseTakeOverFromTheKeys) {
    WeightShiftInput input;
    input.setKey(WeightShiftInput::Left, true);
    hold(input, 1.0);
    EXPECT_EQ(input.lateral(), -1.0);
    input.setStick(0.6, 0.0);
    EXPECT_GT(input.lateral(), 0.0);
    input.setMouse(true, -0.25, 0.5);
    EXPECT_EQ(input.lateral(), -0.25);
    EXPECT_EQ(input.fore(), -0.5);
    input.setMouse(false, 0.0, 0.0);
    input.setStick(0.0, 0.0);
    EXPECT_EQ(input.lateral(), -1.0);
    input.centre();
    EXPECT_EQ(input.lateral(), 0.0);
    hold(input, 1.0);
    EXPECT_EQ(input.lateral(), 0.0); // the keys were released too
}

TEST(PilotFlightWeightShift, HoldsThePilotAtTheAskedFractionOfEitherModelsRange) {
    FloatingPointTraps traps;
    for (const char* model : {"classic", "realistic"}) {
        PilotOptions options;
        options.model = model;
        options.generatedTerrain = true;
        PilotFlight flight;
        ASSERT_EQ(flight.build(options), "");
        const Vector3D rest = flight.glider().pilotShift();
        flight.setWeightShift(1.0, 0.5);
        EXPECT_NEAR(flight.lateralShift(), 1.0, 1e-9) << model;
        EXPECT_NEAR(flight.foreShift(), 0.5, 1e-9) << model;
        // Right is -x and forward (towards the apex) is -y in the glider's frame.
        EXPECT_LT(flight.glider().pilotShift().x, rest.x) << model;
        EXPECT_LT(flight.glider().pilotShift().y, rest.y) << model;
        flight.setWeightShift(-3.0, 0.0); // clamped to the left stop
        EXPECT_NEAR(flight.lateralShift(), -1.0, 1e-9) << model;
        flight.reset();
        EXPECT_NEAR(flight.lateralShift(), 0.0, 1e-9) << model;
        EXPECT_NEAR(flight.foreShift(), 0.0, 1e-9) << model;
    }
}
