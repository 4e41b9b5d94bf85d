#include "pilot/XWindowWatch.h"

#include <SDL_syswm.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include <X11/Xlib.h>

namespace x_window_watch {

namespace {

bool watching = false;
Window ours = 0;
void (*rescueFlight)() = nullptr;
char reason[160] = "";

int noteError(Display* display, XErrorEvent* error) {
    if (reason[0] == '\0') {
        char text[96] = "";
        XGetErrorText(display, error->error_code, text, sizeof text);
        std::snprintf(reason, sizeof reason, "the window failed (X error %s)", text);
    }
    return 0; // carry on: the main loop ends the flight at its next frame
}

int connectionLost(Display*) {
    std::fprintf(stderr, "glider-pilot: the connection to the X display was lost; ending the flight\n");
    if (rescueFlight) {
        rescueFlight();
    }
    std::fflush(stderr);
    ::_exit(1); // Xlib lets no call return from here; nothing else may touch the display
}

} // namespace

void install(SDL_Window* window, void (*rescue)()) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
        return;
    }
    watching = true;
    ours = info.info.x11.window;
    rescueFlight = rescue;
    XSetErrorHandler(noteError);
    XSetIOErrorHandler(connectionLost);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool destroyedBy(const SDL_Event& event) {
    if (!watching || event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11) {
        return false;
    }
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type == DestroyNotify && x.xdestroywindow.window == ours) {
        if (reason[0] == '\0') {
            std::snprintf(reason, sizeof reason, "the window was destroyed by another program");
        }
        return true;
    }
    return false;
}

const char* lost() { return reason[0] != '\0' ? reason : nullptr; }

} // namespace x_window_watch
