#include "physics/MassWeightedSweep.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

#define GLIDER_SWEEP_INLINE inline __attribute__((always_inline))

// Vectors of two doubles (what every x86-64 processor has) and of four;
// each level runs a group as the vectors its registers hold, so that no
// vector goes through memory to be taken apart.
typedef double Pair __attribute__((vector_size(2 * sizeof(double))));
typedef double Quad __attribute__((vector_size(4 * sizeof(double))));
typedef long long PairBits __attribute__((vector_size(2 * sizeof(long long))));
typedef long long QuadBits __attribute__((vector_size(4 * sizeof(long long))));

// Doubles in a row read and written as one vector, wherever they lie.
template <typename V>
GLIDER_SWEEP_INLINE void load(V& v, const double* values) {
    std::memcpy(&v, values, sizeof v);
}
template <typename V>
GLIDER_SWEEP_INLINE void store(double* values, const V& v) {
    std::memcpy(values, &v, sizeof v);
}

// One coordinate of each lane's end, and x and y of each lane side by side
// as the positions hold them, so that a correction is read back by one
// load that lies within one store.
GLIDER_SWEEP_INLINE void gather(Pair& v, const Vector3D* p, const int* ends, double Vector3D::*coordinate) {
    v = Pair{p[ends[0]].*coordinate, p[ends[1]].*coordinate};
}
GLIDER_SWEEP_INLINE void interleave(const Pair& x, const Pair& y, double* xy) {
    store(xy, __builtin_shuffle(x, y, PairBits{0, 2}));
    store(xy + 2, __builtin_shuffle(x, y, PairBits{1, 3}));
}
GLIDER_SWEEP_INLINE void gather(Quad& v, const Vector3D* p, const int* ends, double Vector3D::*coordinate) {
    v = Quad{p[ends[0]].*coordinate, p[ends[1]].*coordinate, p[ends[2]].*coordinate, p[ends[3]].*coordinate};
}
GLIDER_SWEEP_INLINE void interleave(const Quad& x, const Quad& y, double* xy) {
    store(xy, __builtin_shuffle(x, y, QuadBits{0, 4, 1, 5}));
    store(xy + 4, __builtin_shuffle(x, y, QuadBits{2, 6, 3, 7}));
}

// The multiplier steps of the group's lanes [j, j + width) and the
// corrections they make, every link from the same positions: no two links
// of a colour move the same particle (a mirror pair excepted, which is
// solved from the same positions on purpose), so this is what a sequential
// sweep of the colour would compute. Each lane rounds as the scalar formula
// does.
template <typename V, typename Bits>
GLIDER_SWEEP_INLINE void laneSteps(const LinkGroup& __restrict g, std::size_t j, double* __restrict lambdas,
                                   GroupMoves& __restrict m, V& __restrict largest, const Vector3D* __restrict p) {
    V ax, ay, az, bx, by, bz;
    gather(ax, p, g.endA + j, &Vector3D::x);
    gather(ay, p, g.endA + j, &Vector3D::y);
    gather(az, p, g.endA + j, &Vector3D::z);
    gather(bx, p, g.endB + j, &Vector3D::x);
    gather(by, p, g.endB + j, &Vector3D::y);
    gather(bz, p, g.endB + j, &Vector3D::z);
    const V dx = ax - bx;
    const V dy = ay - by;
    const V dz = az - bz;
    const V squared = dx * dx + dy * dy + dz * dz;
    V len;
    for (std::size_t i = 0; i < sizeof(V) / sizeof(double); ++i) {
        len[i] = std::sqrt(squared[i]);
    }
    // Two particles in one place have no direction to be pushed apart
    // along: no step, and no division by zero. Multiplying by one and
    // adding zero change nothing, and keep the lanes free of branches.
    // A square root is above zero just where its operand is, so the test
    // needs no wait for the root.
    const V one = V{} + 1.0;
    const V zero = V{};
    const V apart = squared > zero ? one : zero;
    const V inverse = one / (len + (one - apart));
    V lambda, rest, alphaTilde, inverseDenominator, inverseMassA, inverseMassB, inverseMassSum;
    load(lambda, lambdas + j);
    load(rest, g.rest + j);
    load(alphaTilde, g.alphaTilde + j);
    load(inverseDenominator, g.inverseDenominator + j);
    load(inverseMassA, g.inverseMassA + j);
    load(inverseMassB, g.inverseMassB + j);
    load(inverseMassSum, g.inverseMassSum + j);
    const V step = (rest - len - alphaTilde * lambda) * inverseDenominator * apart;
    const V nx = dx * inverse;
    const V ny = dy * inverse;
    const V nz = dz * inverse;
    store(lambdas + j, lambda + step);
    // n * (w * step) on a and the opposite on b.
    const V kA = inverseMassA * step;
    const V kB = inverseMassB * step;
    interleave(nx * kA, ny * kA, m.axy + 2 * j);
    store(m.az + j, nz * kA);
    interleave(nx * kB, ny * kB, m.bxy + 2 * j);
    store(m.bz + j, nz * kB);
    // |step| by clearing the sign bit, as fabs does.
    const V size = reinterpret_cast<V>(reinterpret_cast<Bits>(step) & ~reinterpret_cast<Bits>(-zero)) * inverseMassSum;
    // Each lane's largest correction so far; an idle lane's is zero.
    largest = largest < size ? size : largest;
}

template <typename V, typename Bits>
GLIDER_SWEEP_INLINE void groupSteps(const LinkGroup& g, double* lambdas, GroupMoves& m, V& largest,
                                    const Vector3D* p) {
    for (std::size_t j = 0; j < kLinkLanes; j += sizeof(V) / sizeof(double)) {
        laneSteps<V, Bits>(g, j, lambdas, m, largest, p);
    }
}

// The first `links` lanes' corrections applied in solving order: a mirror
// pair's two links may share a particle, which then takes the first link's
// correction and then the second's.
GLIDER_SWEEP_INLINE void applyGroup(const LinkGroup& g, const GroupMoves& m, std::size_t links, Vector3D* p) {
    for (std::size_t j = 0; j < links; ++j) {
        Vector3D& pa = p[g.endA[j]];
        pa.x += m.axy[2 * j];
        pa.y += m.axy[2 * j + 1];
        pa.z += m.az[j];
        Vector3D& pb = p[g.endB[j]];
        pb.x -= m.bxy[2 * j];
        pb.y -= m.bxy[2 * j + 1];
        pb.z -= m.bz[j];
    }
}

template <typename V, typename Bits>
GLIDER_SWEEP_INLINE double sweep(const MassWeightedPass& pass, Vector3D* p) {
    V largest = V{};
    for (std::size_t c = 0; c < pass.colourCount; ++c) {
        const std::size_t from = static_cast<std::size_t>(pass.colourStart[c]);
        const std::size_t to = static_cast<std::size_t>(pass.colourStart[c + 1]);
        for (std::size_t g = from; g < to; ++g) {
            groupSteps<V, Bits>(pass.groups[g], pass.lambda + g * kLinkLanes, pass.moves[g], largest, p);
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
    for (std::size_t j = 0; j < sizeof(V) / sizeof(double); ++j) {
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

#define GLIDER_SWEEP_KERNELS(name, attributes, V, Bits)                                                          \
    attributes double name##Sweep(const MassWeightedPass& pass, Vector3D* p) { return sweep<V, Bits>(pass, p); } \
    attributes void name##OverRelax(double omega, Vector3D* p, const Vector3D* older, std::size_t particles,  \
                                    double* lambda, const double* olderLambda, std::size_t places) {          \
        overRelax(omega, p, older, particles, lambda, olderLambda, places);                                     \
    }                                                                                                          \
    attributes double name##HoldOnGround(Vector3D* p, const double* groundBelow, std::size_t particles) {     \
        return holdOnGround(p, groundBelow, particles);                                                        \
    }                                                                                                          \
    const MassWeightedKernels name##Kernels{name##Sweep, name##OverRelax, name##HoldOnGround};

GLIDER_SWEEP_KERNELS(baseline, , Pair, PairBits)
#if defined(__x86_64__)
GLIDER_SWEEP_KERNELS(avx2, __attribute__((target("avx2"))), Quad, QuadBits)
// A group is four links: one 256-bit vector holds each of its values.
GLIDER_SWEEP_KERNELS(avx512, __attribute__((target("avx512f,avx512vl,prefer-vector-width=256"))), Quad, QuadBits)
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
