#pragma once

#include <SDL.h>

// The window can vanish under glider-pilot without a request to close: a
// client destroys it (xdotool windowclose), kills our connection (xdotool
// windowkill) or the X server dies. Xlib's own handlers would end the
// process at once and the flight would be lost. Here:
// - the window's destruction (seen as X's DestroyNotify among SDL's events)
//   and any X protocol error (BadDrawable when drawing into the vanished
//   window) are noted, and the main loop ends the flight as Escape does;
// - a lost connection, after which Xlib lets no call return, runs `rescue`
//   (which saves the flight and the settings) and ends the process with
//   status 1.
// Does nothing unless SDL drives an X11 display.
namespace x_window_watch {

void install(SDL_Window* window, void (*rescue)());
// True once an event says the window is gone.
bool destroyedBy(const SDL_Event& event);
// Why the window became unusable, or null while it is fine.
const char* lost();

} // namespace x_window_watch
