#pragma once

#include "physics/Vector3D.h"

// A point mass. Owned by the model that creates it; a world holds pointers.
// `position` comes first so that a particle can be read as its position.
struct Particle {
    Vector3D position;           // (unit: metres)
    double mass = 0.0;           // (unit: kilograms) positive before registration
    int index = -1;              // key into the world's per-particle arrays, set by prepare
    bool ignoresTerrain = false; // true: passes through the ground
};
