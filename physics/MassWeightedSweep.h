#pragma once

#include <cstddef>

#include "physics/InstructionSet.h"
#include "physics/Vector3D.h"

// The arrays of MassWeightedSolver that one pass over its links reads and
// writes, each link at its place in the solving order (the solver
// describes each), and the scratch a colour's corrections go through.
struct MassWeightedPass {
    std::size_t colourCount;
    const int* colourStart; // first place of each colour, and the end
    const int* endA;
    const int* endB;
    const double* rest;               // (unit: m)
    const double* alphaTilde;         // (unit: 1/kg)
    const double* inverseDenominator; // (unit: kg)
    const double* inverseMassA;       // (unit: 1/kg)
    const double* inverseMassB;       // (unit: 1/kg)
    const double* inverseMassSum;     // (unit: 1/kg) inverseMassA + inverseMassB
    double* lambda;
    // A colour's corrections of its a and b ends (unit: m), and the size of
    // each link's correction.
    double* moveAx;
    double* moveAy;
    double* moveAz;
    double* moveBx;
    double* moveBy;
    double* moveBz;
    double* size;
};

// One instruction set's versions of the solver's loops; every level gives
// the bits of the plain formulas.
struct MassWeightedKernels {
    // One Gauss-Seidel pass, colour by colour; returns the largest
    // correction (unit: m).
    double (*sweep)(const MassWeightedPass& pass, Vector3D* positions);
    // Chebyshev's blend: each value pushed on from its older one by omega.
    void (*overRelax)(double omega, Vector3D* positions, const Vector3D* olderPositions, std::size_t particles,
                      double* lambda, const double* olderLambda, std::size_t links);
    // Particles below their ground put on it; returns the largest lift (unit: m).
    double (*holdOnGround)(Vector3D* positions, const double* groundBelow, std::size_t particles);
};

// The loops built for `level` (which the processor must have).
const MassWeightedKernels& massWeightedKernels(InstructionSet level);
