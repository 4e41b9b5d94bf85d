// Compiled with the physics library's include path only: the terrain is a
// dependency of the physics, so this builds.
#include "physics/ParticleSystem.h"
#include "terrain/HeightField.h"
