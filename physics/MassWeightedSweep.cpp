#include "physics/MassWeightedSweep.h"

#include <algorithm>
#include <cmath>

namespace {

#define GLIDER_SWEEP_INLINE inline __attribute__((always_inline))

// A group's multiplier steps and the corrections they make, every link
// from the same positions: no two links of a colour move the same particle
// (a mirror pair excepted, which is solved from the same positions on
// purpose), so this is what a sequential sweep of the colour would compute.
// Straight-line arithmetic lane by lane, so the compiler runs the square
// roots and divisions side by side in vector lanes; each lane rounds as the
// scalar formula does.
// One value per lane; at a level narrower than four doubles the compiler
// splits each operation, lane by lane the same. Aligned as a double, so
// that any four doubles in a row can be read as one.
typedef double Lanes __attribute__((vector_size(kLinkLanes * sizeof(double)), aligned(alignof(double))));

GLIDER_SWEEP_INLINE const Lanes& lanes(const double* values) { return *reinterpret_cast<const Lanes*>(values); }
GLIDER_SWEEP_INLINE Lanes& lanes(double* values) { return *reinterpret_cast<Lanes*>(values); }

GLIDER_SWEEP_INLINE void groupSteps(const LinkGroup& __restrict g, double* __restrict lambdas,
                                    GroupMoves& __restrict m, Lanes& __restrict largest,
                                    const Vector3D* __restrict p) {
    const int* a = g.endA;
    const int* b = g.endB;
    const Lanes dx = Lanes{p[a[0]].x, p[a[1]].x, p[a[2]].x, p[a[3]].x} - Lanes{p[b[0]].x, p[b[1]].x, p[b[2]].x, p[b[3]].x};
    const Lanes dy = Lanes{p[a[0]].y, p[a[1]].y, p[a[2]].y, p[a[3]].y} - Lanes{p[b[0]].y, p[b[1]].y, p[b[2]].y, p[b[3]].y};
    const Lanes dz = Lanes{p[a[0]].z, p[a[1]].z, p[a[2]].z, p[a[3]].z} - Lanes{p[b[0]].z, p[b[1]].z, p[b[2]].z, p[b[3]].z};
    const Lanes squared = dx * dx + dy * dy + dz * dz;
    Lanes len;
    for (std::size_t j = 0; j < kLinkLanes; ++j) {
        len[j] = std::sqrt(squared[j]);
    }
    // Two particles in one place have no direction to be pushed apart
    // along: no step, and no division by zero. Multiplying by one and
    // adding zero change nothing, and keep the lanes free of branches.
    const Lanes one = {1.0, 1.0, 1.0, 1.0};
    const Lanes zero = {0.0, 0.0, 0.0, 0.0};
    const Lanes apart = len > zero ? one : zero;
    const Lanes inverse = one / (len + (one - apart));
    Lanes& lambda = lanes(lambdas);
    const Lanes step = (lanes(g.rest) - len - lanes(g.alphaTilde) * lambda) * lanes(g.inverseDenominator) * apart;
    const Lanes nx = dx * inverse;
    const Lanes ny = dy * inverse;
    const Lanes nz = dz * inverse;
    lambda += step;
    // n * (w * step) on a and the opposite on b.
    const Lanes kA = lanes(g.inverseMassA) * step;
    const Lanes kB = lanes(g.inverseMassB) * step;
    lanes(m.ax) = nx * kA;
    lanes(m.ay) = ny * kA;
    lanes(m.az) = nz * kA;
    lanes(m.bx) = nx * kB;
    lanes(m.by) = ny * kB;
    lanes(m.bz) = nz * kB;
    Lanes size;
    for (std::size_t j = 0; j < kLinkLanes; ++j) {
        size[j] = std::fabs(step[j]);
    }
    size *= lanes(g.inverseMassSum);
    // Each lane's largest correction so far; an idle lane's is zero.
    largest = largest < size ? size : largest;
}

// The first `links` lanes' corrections applied in solving order: a mirror
// pair's two links may share a particle, which then takes the first link's
// correction and then the second's.
GLIDER_SWEEP_INLINE void applyGroup(const LinkGroup& g, const GroupMoves& m, std::size_t links, Vector3D* p) {
    for (std::size_t j = 0; j < links; ++j) {
        Vector3D& pa = p[g.endA[j]];
        pa.x += m.ax[j];
        pa.y += m.ay[j];
        pa.z += m.az[j];
        Vector3D& pb = p[g.endB[j]];
        pb.x -= m.bx[j];
        pb.y -= m.by[j];
        pb.z -= m.bz[j];
    }
}

GLIDER_SWEEP_INLINE double sweep(const MassWeightedPass& pass, Vector3D* p) {
    Lanes largest = {0.0, 0.0, 0.0, 0.0};
    for (std::size_t c = 0; c < pass.colourCount; ++c) {
        const std::size_t from = static_cast<std::size_t>(pass.colourStart[c]);
        const std::size_t to = static_cast<std::size_t>(pass.colourStart[c + 1]);
        for (std::size_t g = from; g < to; ++g) {
            groupSteps(pass.groups[g], pass.lambda + g * kLinkLanes, pass.moves[g], largest, p);
        }
        // Whole groups with a count the compiler sees, then the rest.
        const std::size_t links = static_cast<std::size_t>(pass.colourLinks[c]);
        const std::size_t whole = from + links / kLinkLanes;
        for (std::size_t g = from; g < whole; ++g) {
            applyGroup(pass.groups[g], pass.moves[g], kLinkLanes, p);
        }
        if (links % kLinkLanes != 0) {
            applyGroup(pass.groups[whole], pass.moves[whole], links % kLinkLanes, p);
        }
    }
    // The largest of the lanes' largest: a maximum, the same whichever
    // order the values are met in.
    double result = 0.0;
    for (std::size_t j = 0; j < kLinkLanes; ++j) {
        result = std::max(result, largest[j]);
    }
    return result;
}

GLIDER_SWEEP_INLINE void overRelax(double omega, Vector3D* __restrict p, const Vector3D* __restrict older,
                                   std::size_t particles, double* __restrict lambda,
                                   const double* __restrict olderLambda, std::size_t places) {
    for (std::size_t i = 0; i < particles; ++i) {
        p[i].x = (p[i].x - older[i].x) * omega + older[i].x;
        p[i].y = (p[i].y - older[i].y) * omega + older[i].y;
        p[i].z = (p[i].z - older[i].z) * omega + older[i].z;
    }
    for (std::size_t s = 0; s < places; ++s) {
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
                                    double* lambda, const double* olderLambda, std::size_t places) {          \
        overRelax(omega, p, older, particles, lambda, olderLambda, places);                                     \
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
