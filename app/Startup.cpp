#include "app/Startup.h"

#include <utility>

#include "app/AppGlobals.h"
#include "app/Pacing.h"
#include "scene/StartScene.h"

void buildScene(const char* terrainPath) {
    terrain = start::makeTerrain(terrainPath);
    start::Flight flight = start::makeFlight(std::move(terrain));
    terrain = std::move(flight.terrain);
    glider = std::move(flight.glider);
    world = std::move(flight.world);

    scene.clear(); // a second build (tests) replaces the first, never adds to it
    addToScene(terrain.get());
    addToScene(glider.get());
}

void prepareFlight() {
    stepCount = 0;
    world->prepare();
    frameTimer = FrameTimer(start::kStepsPerSecond, kMaxStepsPerIdle, 1.0, frameTimer.tick);
    frameTimer.restart();
}

void tearDownScene() {
    scene.clear();
    terrain.reset();
    glider.reset();
    world.reset();
}
