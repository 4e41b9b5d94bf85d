#pragma once

#include <cstddef>

#include "physics/InstructionSet.h"
#include "physics/Vector3D.h"

// Links are solved four at a time, side by side in vector lanes. A colour
// (links that move no particle in common) fills whole groups; the places
// left over at its end are idle lanes that join no particles, whose step is
// computed (as zero) and never applied.
constexpr std::size_t kLinkLanes = 4;

// Four links' numbers, lane by lane, so that one pointer reaches them all.
struct LinkGroup {
    int endA[kLinkLanes] = {};
    int endB[kLinkLanes] = {};
    double rest[kLinkLanes] = {};               // (unit: m) this step's rest lengths
    double alphaTilde[kLinkLanes] = {};         // (unit: 1/kg) compliance over the squared step
    double inverseDenominator[kLinkLanes] = {}; // (unit: kg) 1 / (wA + wB + alphaTilde)
    double inverseMassA[kLinkLanes] = {};       // (unit: 1/kg)
    double inverseMassB[kLinkLanes] = {};       // (unit: 1/kg)
    double inverseMassSum[kLinkLanes] = {};     // (unit: 1/kg) wA + wB
};

// A group's corrections of its a and b ends (unit: m), between computing
// and applying them: x and y of each link side by side, then the z's.
struct GroupMoves {
    double axy[2 * kLinkLanes], az[kLinkLanes];
    double bxy[2 * kLinkLanes], bz[kLinkLanes];
};

// What one pass over the links reads and writes, in solving order.
struct MassWeightedPass {
    std::size_t colourCount;
    const int* colourStart; // first group of each colour, and the end
    const int* colourLinks; // links of each colour (the rest of its last group idle)
    LinkGroup* groups;
    double* lambda;      // the step's accumulated multipliers, lane by lane
    GroupMoves* moves;   // scratch, one per group
};

// One instruction set's versions of the solver's loops; every level gives
// the bits of the plain formulas.
struct MassWeightedKernels {
    // One Gauss-Seidel pass, colour by colour; returns the largest
    // correction (unit: m).
    double (*sweep)(const MassWeightedPass& pass, Vector3D* positions);
    // Chebyshev's blend: each value pushed on from its older one by omega.
    void (*overRelax)(double omega, Vector3D* positions, const Vector3D* olderPositions, std::size_t particles,
                      double* lambda, const double* olderLambda, std::size_t places);
    // Particles below their ground put on it; returns the largest lift (unit: m).
    double (*holdOnGround)(Vector3D* positions, const double* groundBelow, std::size_t particles);
};

// The loops built for `level` (which the processor must have).
const MassWeightedKernels& massWeightedKernels(InstructionSet level);
