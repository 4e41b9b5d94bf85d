#pragma once

#include <memory>
#include <vector>

#include "app/FrameTimer.h"
#include "glider/Glider.h"
#include "physics/ParticleSystem.h"
#include "scene/Drawable.h"
#include "terrain/HeightField.h"

// The application's shared state. GLUT passes no context to its callbacks,
// so start-up, pacing, drawing and input meet here, all on the GLUT thread.

// Owners of the flight, alive for the whole run.
extern std::unique_ptr<HeightField> terrain;
extern std::unique_ptr<Glider> glider;
extern std::unique_ptr<ParticleSystem> world;

// What display draws, in order (terrain, then glider); not owning.
extern std::vector<Drawable*> scene;
void addToScene(Drawable* item);

// Simulation steps run since the main loop began; the status clock.
extern int stepCount;
extern FrameTimer frameTimer;

// The camera orbits the followed point (single precision, angles in degrees).
extern float cameraAzimuth;   // (unit: degrees) rotation of the world about z
extern float cameraElevation; // (unit: degrees) 0 looks horizontally, 90 straight down
extern float cameraDistance;  // (unit: metres) from the followed point
extern float viewTranslation[3]; // (unit: metres) the negated followed point

// Mouse drag: which gesture is under way and where the pointer was last.
constexpr int kDragNone = 0;
constexpr int kDragRotate = 1;
constexpr int kDragZoom = 2;
extern int dragMode;
extern int lastMouseX; // (unit: pixels) from the window's left edge
extern int lastMouseY; // (unit: pixels) from the window's top edge
