#pragma once

#include "physics/Particle.h"

// Pins one particle to a fixed point at every relaxation iteration.
struct Anchor {
    Vector3D position; // (unit: metres)
    Particle* particle = nullptr;
};
