#include "app/Window.h"

#include <GL/freeglut.h>

#include "app/Display.h"
#include "app/Input.h"
#include "app/WindowGeometry.h"

namespace {
// 640 x 480 at (100, 100) unless the user's -geometry says otherwise.
constexpr WindowGeometry kDefaultGeometry{100, 100, 640, 480};
} // namespace

int initGlut(int* argc, char** argv) {
    // Before glutInit, which takes its own options out of the arguments.
    const char* geometry = geometryOption(*argc, argv);
    // The defaults go in before glutInit, whose -geometry handling overrides
    // them. GLUT gets a partial -geometry wrong, though: it copies a size
    // even when the option names none (an uninitialised one: "+10+20" asked
    // X for a 0 x 0 window and died) and places negative offsets with it.
    // So the window takes each part the user named, the defaults the rest.
    glutInitWindowSize(kDefaultGeometry.width, kDefaultGeometry.height);
    glutInitWindowPosition(kDefaultGeometry.x, kDefaultGeometry.y);
    glutInit(argc, argv);
    if (geometry != nullptr) {
        const WindowGeometry placed =
            applyGeometry(geometry, kDefaultGeometry, glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT));
        glutInitWindowSize(placed.width, placed.height);
        glutInitWindowPosition(placed.x, placed.y);
    }
    // Closing the window returns from the main loop, so the program ends
    // through its own teardown with status 0.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    // The title is the program path as typed. Every GL call comes after this:
    // it creates the context.
    glutCreateWindow(argv[0]);
    initRenderState();
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutMouseFunc(mouse);
    glutMotionFunc(motion);
    glutKeyboardFunc(keyboard);
    return 0;
}
