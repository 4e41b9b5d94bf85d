#pragma once

#include <cstddef>
#include <cstdint>

#include "physics/InstructionSet.h"

// The arrays of JacobiWorkingSet that one relaxation pass reads and writes,
// in solving order (the working set describes each).
struct JacobiPass {
    std::size_t constraints;          // a multiple of 8
    std::size_t equalMassConstraints; // the first ones, a multiple of 8
    // Every offset and slot fits in 16 bits, so endOffsets and endSlots
    // hold them all (the hand-written passes read those): a's, then b's.
    bool packed;
    double* positions;
    const int* offsetA;
    const int* offsetB;
    const std::uint16_t* endOffsets;
    const double* restLength;
    const double* inverseMassSum;
    const double* massA;
    const double* massB;
    double* difference;
    double* scaleA;
    double* scaleB;
    const int* slotA;
    const int* slotB;
    const std::uint16_t* endSlots;
    double* corrections;
    std::size_t pairCount;
    const int* pairStart;
    const double* pairScale;
};

// One instruction set's pass: every constraint's corrections, each
// particle's move by their mean, and `passes` of both in one call (used
// when nothing is anchored, so that no call sits between passes). Every
// level gives the bits of the plain formula.
struct JacobiKernels {
    void (*relax)(const JacobiPass& pass);
    void (*moveByMeans)(const JacobiPass& pass);
    void (*relaxPasses)(const JacobiPass& pass, int passes);
};

// The kernels written for `level` (which the processor must have).
const JacobiKernels& jacobiKernels(InstructionSet level);

extern const JacobiKernels kJacobiBaseline;
#if defined(__x86_64__)
extern const JacobiKernels kJacobiAvx2;
extern const JacobiKernels kJacobiAvx512;
#endif
