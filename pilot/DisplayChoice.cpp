#include "pilot/DisplayChoice.h"

namespace {

bool given(const char* value) { return value != nullptr && value[0] != '\0'; }

} // namespace

DisplayChoice chooseDisplay(const char* sdlVideoDriver, const char* display, const char* waylandDisplay) {
    DisplayChoice choice;
    if (given(sdlVideoDriver)) {
        choice.driver = sdlVideoDriver;
        choice.userChose = true;
    } else if (given(display)) {
        choice.driver = "x11";
    } else if (given(waylandDisplay)) {
        choice.driver = "wayland";
    } else {
        choice.problem = "no display to open a window on (DISPLAY and WAYLAND_DISPLAY are unset)";
    }
    return choice;
}
