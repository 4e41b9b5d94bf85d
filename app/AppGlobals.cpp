#include "app/AppGlobals.h"

std::unique_ptr<HeightField> terrain;
std::unique_ptr<Glider> glider;
std::unique_ptr<ParticleSystem> world;

std::vector<Drawable*> scene;

void addToScene(Drawable* item) { scene.push_back(item); }

int stepCount = 0;
FrameTimer frameTimer(100, 4, 1.0);

// initRenderState gives the view and drag state their real first values.
float cameraAzimuth = 0.0f;
float cameraElevation = 0.0f;
float cameraDistance = 0.0f;
float viewTranslation[3] = {0.0f, 0.0f, 0.0f};

int dragMode = kDragNone;
int lastMouseX = 0;
int lastMouseY = 0;
