#pragma once

#include <string>

// glider-pilot is flown in a window: without a display it must say so, not
// let SDL fall back to its offscreen driver and fly on unseen. Given the
// environment, picks SDL's video driver: the one the user named in
// SDL_VIDEODRIVER, else x11 with a DISPLAY, else wayland with a
// WAYLAND_DISPLAY. Null or empty variables count as unset.
struct DisplayChoice {
    std::string driver; // empty: no display; `problem` says so
    std::string problem;
    bool userChose = false; // the user's SDL_VIDEODRIVER, taken as it is
};

DisplayChoice chooseDisplay(const char* sdlVideoDriver, const char* display, const char* waylandDisplay);
