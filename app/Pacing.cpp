#include "app/Pacing.h"

#include <GL/freeglut.h>

#include "app/AppGlobals.h"

void advanceSimulation(int steps) {
    if (steps <= 0) {
        return;
    }
    for (int i = 0; i < steps; ++i) {
        world->step();
        const Vector3D& pilot = glider->pilotParticle().position;
        viewTranslation[0] = static_cast<float>(-pilot.x);
        viewTranslation[1] = static_cast<float>(-pilot.y);
        viewTranslation[2] = static_cast<float>(-pilot.z);
        ++stepCount;
    }
    // One picture per batch, however many steps it held.
    glutPostRedisplay();
}

void idle() { advanceSimulation(frameTimer.stepsDue()); }
