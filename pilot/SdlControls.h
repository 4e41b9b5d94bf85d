#pragma once

#include <SDL.h>

#include <array>

#include "pilot/WeightShiftInput.h"

// The pilot's hands through SDL: arrow keys held, and every game controller
// or joystick plugged in (the first one moved steers). Game controllers use
// their left stick; other joysticks the configured axes.
class SdlControls {
public:
    static constexpr int kMaxDevices = 4;

    SdlControls() = default;
    ~SdlControls();
    SdlControls(const SdlControls&) = delete;
    SdlControls& operator=(const SdlControls&) = delete;

    void setJoystickAxes(int lateral, int fore);
    // Opens the devices already attached.
    void openAll();
    // Device arrivals and departures, and the arrow keys. True when the
    // event was theirs.
    bool handle(const SDL_Event& event, WeightShiftInput& input);
    // Hands the stick positions to `input`.
    void poll(WeightShiftInput& input) const;
    int deviceCount() const;

private:
    struct Device {
        SDL_GameController* controller = nullptr;
        SDL_Joystick* joystick = nullptr; // the controller's own, or a plain joystick
        SDL_JoystickID id = -1;
    };
    void open(int deviceIndex);
    void close(SDL_JoystickID id);

    std::array<Device, kMaxDevices> devices{};
    int lateralAxis = 0;
    int foreAxis = 1;
};
