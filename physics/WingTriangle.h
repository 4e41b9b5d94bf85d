#pragma once

#include "physics/Particle.h"

// A surface the air pushes on. The corner order fixes the normal
// (p1 - p0) x (p2 - p0); the force does not depend on it.
struct WingTriangle {
    Particle* p0 = nullptr;
    Particle* p1 = nullptr;
    Particle* p2 = nullptr;
};
