#include "app/Input.h"

#include <GL/freeglut.h>
#include <cstdio>
#include <cstdlib>

#include "app/AppGlobals.h"
#include "scene/StartScene.h"

namespace {

constexpr unsigned char kEscape = 27;

constexpr double kDegreesPerPixel = 0.25; // (unit: degrees) orbiting
constexpr double kMetresPerPixel = 0.1;   // (unit: metres) zooming
constexpr float kLowestElevation = 0.0f;  // (unit: degrees) horizontal
constexpr float kHighestElevation = 90.0f; // (unit: degrees) straight down
constexpr float kNearestDistance = 2.0f;  // (unit: metres)
constexpr float kFarthestDistance = 1000.0f; // (unit: metres)

// The special keys that fly the glider, by their GLUT codes; the others
// fly nothing and are only echoed.
PilotCommand commandForSpecialKey(int key) {
    switch (key) {
    case GLUT_KEY_F1:
        return PilotCommand::Reset;
    case GLUT_KEY_LEFT:
        return PilotCommand::Left;
    case GLUT_KEY_RIGHT:
        return PilotCommand::Right;
    case GLUT_KEY_UP:
        return PilotCommand::Fore;
    case GLUT_KEY_DOWN:
        return PilotCommand::Aft;
    default:
        return PilotCommand::None;
    }
}

float clamped(float value, float low, float high) {
    if (value < low) {
        return low;
    }
    if (value > high) {
        return high;
    }
    return value;
}

} // namespace

void keyboard(unsigned char key, int, int) {
    // Flushed at once: the echo is a live key monitor, also through a pipe.
    std::printf("key: %d\n", static_cast<int>(key));
    std::fflush(stdout);
    if (key == kEscape) {
        std::exit(0);
    }
}

void special(int key, int, int) {
    const PilotCommand command = commandForSpecialKey(key);
    if (command == PilotCommand::None) {
        std::printf("special key: %d\n", key);
        std::fflush(stdout);
    }
    start::applyCommand(*glider, command);
}

void mouse(int button, int state, int x, int y) {
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN) {
        lastMouseX = x;
        lastMouseY = y;
        // Shift counts only at the press: it cannot switch a drag under way.
        dragMode = (glutGetModifiers() & GLUT_ACTIVE_SHIFT) != 0 ? kDragZoom : kDragRotate;
    } else {
        // Any other button event ends the drag, even with the left still down.
        dragMode = kDragNone;
    }
}

void motion(int x, int y) {
    // Positive dy: the pointer moved up (GLUT's y grows downwards).
    const int dx = lastMouseX - x;
    const int dy = lastMouseY - y;
    if (dragMode == kDragRotate) {
        cameraElevation = clamped(static_cast<float>(cameraElevation + dy * kDegreesPerPixel), kLowestElevation,
                                  kHighestElevation);
        cameraAzimuth = static_cast<float>(cameraAzimuth - dx * kDegreesPerPixel);
        glutPostRedisplay();
    } else if (dragMode == kDragZoom) {
        cameraDistance = clamped(static_cast<float>(cameraDistance + dy * kMetresPerPixel), kNearestDistance,
                                 kFarthestDistance);
        glutPostRedisplay();
    }
    lastMouseX = x;
    lastMouseY = y;
}
