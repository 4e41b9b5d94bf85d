// glider-sim: a weight-shift hang glider flying over a height-field terrain
// in one GLUT window, paced by the wall clock.

#include <GL/freeglut.h>

#include "app/AppGlobals.h"
#include "app/DestroyedWindowWatch.h"
#include "app/Input.h"
#include "app/Pacing.h"
#include "app/Startup.h"
#include "app/Window.h"
#include "platform/StandardStreams.h"
#include "scene/StartScene.h"

int main(int argc, char** argv) {
    openClosedStandardStreams();
    // Terrain, glider, world in still air, registration and the scene list.
    buildScene(start::kTerrainFile);
    initGlut(&argc, argv);
    watchForDestroyedWindow();
    glClearColor(0.3f, 0.4f, 0.85f, 0.0f); // light blue sky
    glutSpecialFunc(special);
    glutIdleFunc(idle);
    // Last before the loop, so start-up time is not made up in steps.
    prepareFlight();
    glutMainLoop();
    // Reached when the window was closed or destroyed.
    tearDownScene();
    return 0;
}
