#include "pilot/SdlControls.h"

#include <cmath>

namespace {

double axisValue(Sint16 raw) { return raw < 0 ? raw / 32768.0 : raw / 32767.0; }

} // namespace

SdlControls::~SdlControls() {
    for (Device& device : devices) {
        if (device.joystick) {
            close(device.id);
        }
    }
}

void SdlControls::setJoystickAxes(int lateral, int fore) {
    lateralAxis = lateral;
    foreAxis = fore;
}

void SdlControls::openAll() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        open(i);
    }
}

int SdlControls::deviceCount() const {
    int count = 0;
    for (const Device& device : devices) {
        count += device.joystick ? 1 : 0;
    }
    return count;
}

void SdlControls::open(int deviceIndex) {
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    for (const Device& device : devices) {
        if (device.joystick && device.id == id) {
            return; // already open: SDL announces devices present at start-up too
        }
    }
    for (Device& device : devices) {
        if (device.joystick) {
            continue;
        }
        if (SDL_IsGameController(deviceIndex)) {
            device.controller = SDL_GameControllerOpen(deviceIndex);
            device.joystick = device.controller ? SDL_GameControllerGetJoystick(device.controller) : nullptr;
        } else {
            device.joystick = SDL_JoystickOpen(deviceIndex);
        }
        device.id = device.joystick ? SDL_JoystickInstanceID(device.joystick) : -1;
        return;
    }
}

void SdlControls::close(SDL_JoystickID id) {
    for (Device& device : devices) {
        if (device.joystick && device.id == id) {
            if (device.controller) {
                SDL_GameControllerClose(device.controller);
            } else {
                SDL_JoystickClose(device.joystick);
            }
            device = Device{};
        }
    }
}

bool SdlControls::handle(const SDL_Event& event, WeightShiftInput& input) {
    switch (event.type) {
    case SDL_JOYDEVICEADDED:
        open(event.jdevice.which);
        return true;
    case SDL_JOYDEVICEREMOVED:
        close(event.jdevice.which);
        input.setStick(0.0, 0.0);
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const bool down = event.type == SDL_KEYDOWN;
        switch (event.key.keysym.scancode) {
        case SDL_SCANCODE_LEFT:
            input.setKey(WeightShiftInput::Left, down);
            return true;
        case SDL_SCANCODE_RIGHT:
            input.setKey(WeightShiftInput::Right, down);
            return true;
        case SDL_SCANCODE_UP:
            input.setKey(WeightShiftInput::Forward, down);
            return true;
        case SDL_SCANCODE_DOWN:
            input.setKey(WeightShiftInput::Back, down);
            return true;
        default:
            return false;
        }
    }
    default:
        return false;
    }
}

void SdlControls::poll(WeightShiftInput& input) const {
    double x = 0.0;
    double y = 0.0;
    for (const Device& device : devices) {
        if (!device.joystick) {
            continue;
        }
        double dx = 0.0;
        double dy = 0.0;
        if (device.controller) {
            dx = axisValue(SDL_GameControllerGetAxis(device.controller, SDL_CONTROLLER_AXIS_LEFTX));
            dy = axisValue(SDL_GameControllerGetAxis(device.controller, SDL_CONTROLLER_AXIS_LEFTY));
        } else {
            const int axes = SDL_JoystickNumAxes(device.joystick);
            dx = lateralAxis < axes ? axisValue(SDL_JoystickGetAxis(device.joystick, lateralAxis)) : 0.0;
            dy = foreAxis < axes ? axisValue(SDL_JoystickGetAxis(device.joystick, foreAxis)) : 0.0;
        }
        // The device pushed furthest steers: a second pad lying idle does not
        // hold the first one's stick at the centre.
        if (std::hypot(dx, dy) > std::hypot(x, y)) {
            x = dx;
            y = dy;
        }
    }
    input.setStick(x, y);
}
