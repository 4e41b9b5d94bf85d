#include "app/DestroyedWindowWatch.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace {

constexpr unsigned int kCheckInterval = 100; // (unit: ms)

// GLUT passes no context to its callbacks, and Xlib none to its error
// handler: the watch lives in these few globals.
Display* listener = nullptr;       // our own connection, told of the window's destruction
Window watchedWindow = 0;          // GLUT's window
bool windowDestroyed = false;      // set by the listener or by an error about the window
XErrorHandler previousHandler = nullptr;

// Drawing into a window that another client has just destroyed fails
// asynchronously, before the listener may have heard of it. Such errors,
// and any that follow once the window is known to be gone (GLUT's own
// teardown destroys it a second time), are expected; the main loop ends at
// the next check. The handler may make no Xlib or GLUT calls.
int forgiveErrorsAboutTheDestroyedWindow(Display* display, XErrorEvent* error) {
    if (error->resourceid == watchedWindow) {
        windowDestroyed = true;
    }
    if (windowDestroyed) {
        return 0;
    }
    return previousHandler(display, error);
}

void checkWindow(int) {
    while (XPending(listener) > 0) {
        XEvent event;
        XNextEvent(listener, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == watchedWindow) {
            windowDestroyed = true;
        }
    }
    if (windowDestroyed) {
        glutLeaveMainLoop();
        return;
    }
    glutTimerFunc(kCheckInterval, checkWindow, 0);
}

} // namespace

void watchForDestroyedWindow() {
    // The window's context is current: GLX names the display connection and
    // the window GLUT created.
    Display* display = glXGetCurrentDisplay();
    watchedWindow = glXGetCurrentDrawable();
    previousHandler = XSetErrorHandler(forgiveErrorsAboutTheDestroyedWindow);
    listener = XOpenDisplay(DisplayString(display));
    if (listener == nullptr) {
        return; // nothing to listen with: GLUT's own behaviour stays
    }
    XSelectInput(listener, watchedWindow, StructureNotifyMask);
    XFlush(listener);
    glutTimerFunc(kCheckInterval, checkWindow, 0);
}
