#include "pilot/WeightShiftInput.h"

#include <algorithm>
#include <cmath>

namespace {

double clampUnit(double value) { return std::isfinite(value) ? std::clamp(value, -1.0, 1.0) : 0.0; }

// One axis of held keys: towards the held side, else back towards 0.
double travel(double value, bool negative, bool positive, double keyRate, double returnRate, double seconds) {
    if (negative != positive) {
        const double target = positive ? 1.0 : -1.0;
        // Reversing starts from the centre's side at once: a pilot throws his
        // weight across rather than waiting for it to drift back.
        const double step = keyRate * seconds;
        return target > value ? std::min(target, value + step) : std::max(target, value - step);
    }
    const double step = returnRate * seconds;
    return value > 0.0 ? std::max(0.0, value - step) : std::min(0.0, value + step);
}

} // namespace

void WeightShiftInput::setSettings(const Settings& value) {
    config = value;
    config.deadZone = std::isfinite(value.deadZone) ? std::clamp(value.deadZone, 0.0, 0.9) : 0.15;
    config.keyRate = std::isfinite(value.keyRate) && value.keyRate > 0.0 ? value.keyRate : 1.5;
    config.returnRate = std::isfinite(value.returnRate) && value.returnRate >= 0.0 ? value.returnRate : 1.0;
}

double WeightShiftInput::shaped(double raw, double deadZone) {
    const double value = clampUnit(raw);
    const double magnitude = std::fabs(value);
    if (magnitude <= deadZone) {
        return 0.0;
    }
    // Rescaled so the shift grows from 0 at the dead zone's edge: no jump.
    const double outside = (magnitude - deadZone) / (1.0 - deadZone);
    return value < 0.0 ? -outside : outside;
}

void WeightShiftInput::setStick(double x, double y) {
    stickLateral = shaped(x, config.deadZone);
    const double fore = shaped(y, config.deadZone);
    // SDL's +y is the stick pulled back; pushed forward means pilot forward.
    stickFore = config.invertFore ? fore : -fore;
}

void WeightShiftInput::setMouse(bool active, double x, double y) {
    mouseActive = active;
    mouseLateral = active ? clampUnit(x) : 0.0;
    mouseFore = active ? -clampUnit(y) : 0.0;
}

void WeightShiftInput::centre() {
    for (bool& key : held) {
        key = false;
    }
    keyLateral = keyFore = 0.0;
    stickLateral = stickFore = 0.0;
    setMouse(false, 0.0, 0.0);
}

void WeightShiftInput::update(double seconds) {
    if (!(seconds > 0.0)) {
        return;
    }
    keyLateral = travel(keyLateral, held[Left], held[Right], config.keyRate, config.returnRate, seconds);
    keyFore = travel(keyFore, held[Back], held[Forward], config.keyRate, config.returnRate, seconds);
}

double WeightShiftInput::lateral() const {
    if (mouseActive) {
        return mouseLateral;
    }
    return stickLateral != 0.0 ? stickLateral : keyLateral;
}

double WeightShiftInput::fore() const {
    if (mouseActive) {
        return mouseFore;
    }
    return stickFore != 0.0 ? stickFore : keyFore;
}
