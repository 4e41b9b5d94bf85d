#pragma once

// Builds terrain, glider and world and the scene list, in start-up order:
// the heightmap at `terrainPath` (else the generated terrain), the glider,
// the world in still air over that terrain with the glider registered, then
// terrain and glider added to the scene. No GL.
void buildScene(const char* terrainPath);

// The last steps before the main loop: the step count from zero, the world
// prepared for stepping, and a fresh frame timer restarted now, so the time
// spent building is not made up as a burst of steps.
void prepareFlight();

// Deletes terrain, glider and world, in that order.
void tearDownScene();
