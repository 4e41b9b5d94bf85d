#include "physics/MassWeightedSweep.h"

#include <algorithm>
#include <cmath>

namespace {

#define GLIDER_SWEEP_INLINE inline __attribute__((always_inline))

// One colour's multiplier steps and the corrections they make, every link
// from the same positions: no two links of a colour move the same particle
// (a mirror pair excepted, which is solved from the same positions on
// purpose), so this is what a sequential sweep of the colour would compute.
// Straight-line arithmetic over flat arrays, so the compiler runs the square
// roots and divisions side by side in vector lanes; each lane rounds as the
// scalar formula does.
GLIDER_SWEEP_INLINE void colourSteps(std::size_t from, std::size_t to, const MassWeightedPass& pass,
                                     const Vector3D* __restrict p) {
    const int* __restrict a = pass.endA;
    const int* __restrict b = pass.endB;
    const double* __restrict rest = pass.rest;
    const double* __restrict alphaTilde = pass.alphaTilde;
    const double* __restrict inverseDenominator = pass.inverseDenominator;
    const double* __restrict wA = pass.inverseMassA;
    const double* __restrict wB = pass.inverseMassB;
    const double* __restrict wSum = pass.inverseMassSum;
    double* __restrict lambda = pass.lambda;
    double* __restrict moveAx = pass.moveAx;
    double* __restrict moveAy = pass.moveAy;
    double* __restrict moveAz = pass.moveAz;
    double* __restrict moveBx = pass.moveBx;
    double* __restrict moveBy = pass.moveBy;
    double* __restrict moveBz = pass.moveBz;
    double* __restrict size = pass.size;
    // The arrays are distinct and the positions only read: no link's values
    // depend on another's.
#pragma GCC ivdep
    for (std::size_t l = from; l < to; ++l) {
        const std::size_t ia = static_cast<std::size_t>(a[l]);
        const std::size_t ib = static_cast<std::size_t>(b[l]);
        const double dx = p[ia].x - p[ib].x;
        const double dy = p[ia].y - p[ib].y;
        const double dz = p[ia].z - p[ib].z;
        const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
        // Two particles in one place have no direction to be pushed apart
        // along: no step, and no division by zero. Multiplying by one and
        // adding zero change nothing, and keep the loop free of branches.
        const double apart = len > 0.0 ? 1.0 : 0.0;
        const double inverse = 1.0 / (len + (1.0 - apart));
        const double step = (rest[l] - len - alphaTilde[l] * lambda[l]) * inverseDenominator[l] * apart;
        const double nx = dx * inverse;
        const double ny = dy * inverse;
        const double nz = dz * inverse;
        lambda[l] += step;
        // n * (w * step) on a and the opposite on b.
        const double kA = wA[l] * step;
        const double kB = wB[l] * step;
        moveAx[l] = nx * kA;
        moveAy[l] = ny * kA;
        moveAz[l] = nz * kA;
        moveBx[l] = nx * kB;
        moveBy[l] = ny * kB;
        moveBz[l] = nz * kB;
        size[l] = std::fabs(step) * wSum[l];
    }
}

// The colour's corrections applied in solving order: a mirror pair's two
// links may share a particle, which then takes the first link's correction
// and then the second's.
GLIDER_SWEEP_INLINE double applyColour(std::size_t from, std::size_t to, const MassWeightedPass& pass, Vector3D* p,
                                       double largest) {
    for (std::size_t l = from; l < to; ++l) {
        Vector3D& pa = p[pass.endA[l]];
        pa.x += pass.moveAx[l];
        pa.y += pass.moveAy[l];
        pa.z += pass.moveAz[l];
        Vector3D& pb = p[pass.endB[l]];
        pb.x -= pass.moveBx[l];
        pb.y -= pass.moveBy[l];
        pb.z -= pass.moveBz[l];
        largest = std::max(largest, pass.size[l]);
    }
    return largest;
}

GLIDER_SWEEP_INLINE double sweep(const MassWeightedPass& pass, Vector3D* p) {
    double largest = 0.0;
    for (std::size_t c = 0; c < pass.colourCount; ++c) {
        const std::size_t from = static_cast<std::size_t>(pass.colourStart[c]);
        const std::size_t to = static_cast<std::size_t>(pass.colourStart[c + 1]);
        colourSteps(from, to, pass, p);
        largest = applyColour(from, to, pass, p, largest);
    }
    return largest;
}

GLIDER_SWEEP_INLINE void overRelax(double omega, Vector3D* __restrict p, const Vector3D* __restrict older,
                                   std::size_t particles, double* __restrict lambda,
                                   const double* __restrict olderLambda, std::size_t links) {
    for (std::size_t i = 0; i < particles; ++i) {
        p[i].x = (p[i].x - older[i].x) * omega + older[i].x;
        p[i].y = (p[i].y - older[i].y) * omega + older[i].y;
        p[i].z = (p[i].z - older[i].z) * omega + older[i].z;
    }
    for (std::size_t s = 0; s < links; ++s) {
        lambda[s] = (lambda[s] - olderLambda[s]) * omega + olderLambda[s];
    }
}

GLIDER_SWEEP_INLINE double holdOnGround(Vector3D* __restrict p, const double* __restrict groundBelow,
                                        std::size_t particles) {
    double largest = 0.0;
    for (std::size_t i = 0; i < particles; ++i) {
        const double ground = groundBelow[i];
        if (p[i].z < ground) {
            largest = std::max(largest, ground - p[i].z);
            p[i].z = ground;
        }
    }
    return largest;
}

#define GLIDER_SWEEP_KERNELS(name, attributes)                                                                   \
    attributes double name##Sweep(const MassWeightedPass& pass, Vector3D* p) { return sweep(pass, p); }        \
    attributes void name##OverRelax(double omega, Vector3D* p, const Vector3D* older, std::size_t particles,  \
                                    double* lambda, const double* olderLambda, std::size_t links) {           \
        overRelax(omega, p, older, particles, lambda, olderLambda, links);                                     \
    }                                                                                                          \
    attributes double name##HoldOnGround(Vector3D* p, const double* groundBelow, std::size_t particles) {     \
        return holdOnGround(p, groundBelow, particles);                                                        \
    }                                                                                                          \
    const MassWeightedKernels name##Kernels{name##Sweep, name##OverRelax, name##HoldOnGround};

GLIDER_SWEEP_KERNELS(baseline, )
#if defined(__x86_64__)
GLIDER_SWEEP_KERNELS(avx2, __attribute__((target("avx2"))))
// A colour holds about a dozen links: 256-bit vectors take them in three
// whole steps, where 512-bit ones would leave a scalar tail as long as the
// vector part.
GLIDER_SWEEP_KERNELS(avx512, __attribute__((target("avx512f,avx512vl,prefer-vector-width=256"))))
#endif

} // namespace

const MassWeightedKernels& massWeightedKernels(InstructionSet level) {
    switch (level) {
#if defined(__x86_64__)
    case InstructionSet::Avx512:
        return avx512Kernels;
    case InstructionSet::Avx2:
        return avx2Kernels;
#endif
    default:
        return baselineKernels;
    }
}
