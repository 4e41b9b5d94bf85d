#pragma once

// Another program can destroy the window outright (xdotool windowclose, a
// session manager) instead of asking it to close. GLUT ignores that: it
// either draws into the missing window and dies of the X error (status 1),
// or, having seen the window unmapped, stops drawing and steps on forever
// without one. This watch ends the main loop instead, so the program leaves
// through its own teardown with status 0.
//
// Call once, after the window is created and before the main loop. It opens
// a second connection to the X display that listens for the window's
// destruction (checked ten times a second from a GLUT timer), and installs
// an X error handler that forgives errors about the vanished window; every
// other X error still ends the program through the previous handler.
void watchForDestroyedWindow();
