#pragma once

#include "physics/Particle.h"

// A rigid distance between two particles, restored by relaxation in inverse
// proportion to the particles' masses.
struct DistanceConstraint {
    Particle* a = nullptr;
    Particle* b = nullptr;
    double restLength = 0.0;     // (unit: metres) may be rewritten while flying
    double inverseMassSum = 0.0; // (unit: 1/kg) fixed when made

    // Rest length is the particles' distance now; both must have their mass.
    static DistanceConstraint make(Particle& a, Particle& b) {
        DistanceConstraint c;
        c.a = &a;
        c.b = &b;
        c.restLength = a.position.distanceTo(b.position);
        c.inverseMassSum = 1.0 / b.mass + 1.0 / a.mass;
        return c;
    }
};
