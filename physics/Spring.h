#pragma once

#include "physics/Particle.h"

// A damped spring between two particles. The glider uses none; the world
// applies them in its force phase, after gravity and before the air.
struct Spring {
    Particle* a = nullptr;
    Particle* b = nullptr;
    double restLength = 0.0; // (unit: metres)
    double stiffness = 0.0;  // (unit: N/m)
    double damping = 0.0;    // (unit: N·s/m)
};
