// A joystick moves the weight like the arrow keys: SDL's virtual joystick
// stands in for a real one, through the same device and event path.
#include <gtest/gtest.h>

#include <SDL.h>

#include "pilot/SdlControls.h"
#include "pilot/WeightShiftInput.h"

namespace {

class SdlJoysticks : public ::testing::Test {
protected:
    void SetUp() override {
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER | SDL_INIT_EVENTS), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }

    // Lets the controls see every pending device event, as the main loop does.
    void pump(SdlControls& controls, WeightShiftInput& input) {
        SDL_JoystickUpdate();
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            controls.handle(event, input);
        }
    }
};

// The input after a second of the right arrow held.
WeightShiftInput keysHeldRight() {
    WeightShiftInput keys;
    keys.setKey(WeightShiftInput::Right, true);
    for (int i = 0; i < 100; ++i) {
        keys.update(0.01);
    }
    return keys;
}

} // namespace

TEST_F(SdlJoysticks, StickDeflectionShiftsTheWeightLikeTheKeys) {
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 0, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SdlControls controls;
    WeightShiftInput input;
    pump(controls, input);
    controls.openAll();
    ASSERT_EQ(controls.deviceCount(), 1);

    SDL_Joystick* stick = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_NE(stick, nullptr);
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick, 0, 32767), 0) << SDL_GetError();
    ASSERT_EQ(SDL_JoystickSetVirtualAxis(stick, 1, 0), 0);
    pump(controls, input);
    controls.poll(input);
    const WeightShiftInput keys = keysHeldRight();
    EXPECT_EQ(input.lateral(), keys.lateral());
    EXPECT_EQ(input.fore(), 0.0);

    // Pushed forward: the pilot's weight forward, as the up arrow.
    SDL_JoystickSetVirtualAxis(stick, 0, 0);
    SDL_JoystickSetVirtualAxis(stick, 1, -32768);
    pump(controls, input);
    controls.poll(input);
    EXPECT_EQ(input.lateral(), 0.0);
    EXPECT_EQ(input.fore(), 1.0);

    // Inside the dead zone the stick lets the keys steer.
    SDL_JoystickSetVirtualAxis(stick, 1, -3000);
    pump(controls, input);
    controls.poll(input);
    EXPECT_EQ(input.fore(), 0.0);

    // Unplugged: the stick lets go.
    SDL_JoystickSetVirtualAxis(stick, 0, 32767);
    pump(controls, input);
    controls.poll(input);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
    pump(controls, input);
    EXPECT_EQ(controls.deviceCount(), 0);
    controls.poll(input);
    EXPECT_EQ(input.lateral(), 0.0);
}
