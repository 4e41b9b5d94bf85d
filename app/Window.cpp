#include "app/Window.h"

#include <GL/freeglut.h>

#include "app/Display.h"
#include "app/Input.h"

namespace {
constexpr int kWindowWidth = 640;  // (unit: pixels)
constexpr int kWindowHeight = 480; // (unit: pixels)
constexpr int kWindowX = 100;      // (unit: pixels)
constexpr int kWindowY = 100;      // (unit: pixels)
} // namespace

int initGlut(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(kWindowWidth, kWindowHeight);
    glutInitWindowPosition(kWindowX, kWindowY);
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
