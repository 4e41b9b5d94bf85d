#include "physics/JacobiPlainLoops.h"

#include <algorithm>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

// The pass on any x86-64 processor: hand-written for the baseline's 128-bit
// vectors (SSE2, two doubles each) when every index fits the packed words,
// the plain loops otherwise (and on other processors).
namespace {

// Half a point: x, y or z, 0. The sums are kept in these, four to a pair of
// particles, so the compiler needs no wider vector it would split.
typedef double Half __attribute__((vector_size(2 * sizeof(double)), aligned(alignof(double))));

#if defined(__x86_64__)
// The constraint pass two constraints at a time, as the same five-stage
// pipeline as the wider passes (see the 512-bit one): in each iteration the
// differences of the newest pair of constraints, the square root of the one
// before, k of the one before that, the scales of the next and the
// corrections of the oldest, so that the divider never waits on its own
// last result. The same operations on the same operands, lane by lane, so
// the same bits.

struct Point {
    __m128d xy;
    __m128d z0;
};

// Each end is two loads; the squared coordinates of the two constraints
// are unpacked into one vector per coordinate and summed in the formula's
// order.
inline __attribute__((always_inline)) __m128d differencesOfGroup(std::size_t c, const double* positions,
                                                                 const std::uint16_t* endOffsets,
                                                                 double* difference) {
    Point squared[2];
    for (std::size_t j = 0; j < 2; ++j) {
        const double* a = positions + endOffsets[2 * (c + j)];
        const double* b = positions + endOffsets[2 * (c + j) + 1];
        const __m128d xy = _mm_sub_pd(_mm_loadu_pd(a), _mm_loadu_pd(b));
        const __m128d z0 = _mm_sub_pd(_mm_loadu_pd(a + 2), _mm_loadu_pd(b + 2));
        _mm_storeu_pd(difference + 4 * (c + j), xy);
        _mm_storeu_pd(difference + 4 * (c + j) + 2, z0);
        squared[j] = Point{_mm_mul_pd(xy, xy), _mm_mul_pd(z0, z0)};
    }
    const __m128d xx = _mm_unpacklo_pd(squared[0].xy, squared[1].xy);
    const __m128d yy = _mm_unpackhi_pd(squared[0].xy, squared[1].xy);
    const __m128d zz = _mm_unpacklo_pd(squared[0].z0, squared[1].z0);
    return _mm_add_pd(_mm_add_pd(xx, yy), zz);
}

// Each end's scale, as in the plain loops: a's is k / a's mass negated; with
// equal masses only b's is formed, and a's correction is b's negated.
inline __attribute__((always_inline)) void scalesOfGroup(std::size_t c, bool equalMasses, __m128d k,
                                                         const double* massA, const double* massB, __m128d& scaleA,
                                                         __m128d& scaleB) {
    if (equalMasses) {
        scaleB = _mm_div_pd(k, _mm_loadu_pd(massA + c));
    } else {
        scaleA = _mm_xor_pd(_mm_div_pd(k, _mm_loadu_pd(massA + c)), _mm_set1_pd(-0.0));
        scaleB = _mm_div_pd(k, _mm_loadu_pd(massB + c));
    }
}

inline __attribute__((always_inline)) void correctionsOfConstraint(std::size_t c, bool equalMasses, __m128d scaleA,
                                                                   __m128d scaleB, const double* difference,
                                                                   const std::uint16_t* endSlots,
                                                                   double* corrections) {
    const __m128d xy = _mm_loadu_pd(difference + 4 * c);
    const __m128d z0 = _mm_loadu_pd(difference + 4 * c + 2);
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d bxy = _mm_mul_pd(xy, scaleB);
    const __m128d bz0 = _mm_mul_pd(z0, scaleB);
    const __m128d axy = equalMasses ? _mm_xor_pd(bxy, signBit) : _mm_mul_pd(xy, scaleA);
    const __m128d az0 = equalMasses ? _mm_xor_pd(bz0, signBit) : _mm_mul_pd(z0, scaleA);
    double* a = corrections + endSlots[2 * c];
    double* b = corrections + endSlots[2 * c + 1];
    _mm_storeu_pd(a, axy);
    _mm_storeu_pd(a + 2, az0);
    _mm_storeu_pd(b, bxy);
    _mm_storeu_pd(b + 2, bz0);
}

// Both constraints' corrections, each with its scales in both lanes.
inline __attribute__((always_inline)) void correctionsOfGroup(std::size_t c, bool equalMasses, __m128d scaleA,
                                                              __m128d scaleB, const double* difference,
                                                              const std::uint16_t* endSlots, double* corrections) {
    correctionsOfConstraint(c, equalMasses, _mm_unpacklo_pd(scaleA, scaleA), _mm_unpacklo_pd(scaleB, scaleB),
                            difference, endSlots, corrections);
    correctionsOfConstraint(c + 1, equalMasses, _mm_unpackhi_pd(scaleA, scaleA), _mm_unpackhi_pd(scaleB, scaleB),
                            difference, endSlots, corrections);
}

struct PipelineState {
    __m128d lengthSquared;
    __m128d length;
    __m128d k;
    __m128d scaleA;
    __m128d scaleB;
};

template <bool Steady, bool EqualScales = true, bool EqualCorrections = true>
inline __attribute__((always_inline)) void pipelineIteration(std::size_t t, const JacobiPass& pass,
                                                             PipelineState& state) {
    const std::size_t groups = pass.constraints / 2;
    const std::size_t equalGroups = pass.equalMassConstraints / 2;
    if (Steady || t >= 4) {
        correctionsOfGroup(2 * (t - 4), Steady ? EqualCorrections : t - 4 < equalGroups, state.scaleA, state.scaleB,
                           pass.difference, pass.endSlots, pass.corrections);
    }
    if (Steady || (t >= 3 && t <= groups + 2)) {
        scalesOfGroup(2 * (t - 3), Steady ? EqualScales : t - 3 < equalGroups, state.k, pass.massA, pass.massB,
                      state.scaleA, state.scaleB);
    }
    if (Steady || (t >= 2 && t <= groups + 1)) {
        const std::size_t c = 2 * (t - 2);
        state.k = _mm_div_pd(_mm_sub_pd(state.length, _mm_loadu_pd(pass.restLength + c)),
                             _mm_mul_pd(state.length, _mm_loadu_pd(pass.inverseMassSum + c)));
    }
    if (Steady || (t >= 1 && t <= groups)) {
        state.length = _mm_sqrt_pd(state.lengthSquared);
    }
    if (Steady || t < groups) {
        state.lengthSquared = differencesOfGroup(2 * t, pass.positions, pass.endOffsets, pass.difference);
    }
}

inline __attribute__((always_inline)) void relaxTwo(const JacobiPass& pass) {
    const std::size_t groups = pass.constraints / 2;
    PipelineState state{_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
    std::size_t t = 0;
    for (; t < 4 && t < groups + 4; ++t) {
        pipelineIteration<false>(t, pass, state);
    }
    // Steady: both groups of equal masses, then the first unequal one
    // taking its scales, then both unequal.
    const std::size_t equalGroups = pass.equalMassConstraints / 2;
    for (const std::size_t end = std::max(t, std::min(groups, equalGroups + 3)); t < end; ++t) {
        pipelineIteration<true, true, true>(t, pass, state);
    }
    if (t < groups && t == equalGroups + 3) {
        pipelineIteration<true, false, true>(t, pass, state);
        ++t;
    }
    for (; t < groups; ++t) {
        pipelineIteration<true, false, false>(t, pass, state);
    }
    for (; t < groups + 4; ++t) {
        pipelineIteration<false>(t, pass, state);
    }
}
#endif

inline __attribute__((always_inline)) void relaxOnce(const JacobiPass& pass) {
#if defined(__x86_64__)
    if (pass.packed) {
        relaxTwo(pass);
        return;
    }
#endif
    jacobi_plain::relax(pass);
}

// Each works on its own copy of the pass: the stores into the arrays cannot
// reach it, so its pointers stay in registers.
void relax(const JacobiPass& shared) {
    const JacobiPass pass = shared;
    relaxOnce(pass);
}

void moveByMeans(const JacobiPass& pass) { jacobi_plain::moveByMeans<Half>(pass); }

void relaxPasses(const JacobiPass& shared, int passes) {
    const JacobiPass pass = shared;
    for (int i = 0; i < passes; ++i) {
        relaxOnce(pass);
        jacobi_plain::moveByMeans<Half>(pass);
    }
}

} // namespace

const JacobiKernels kJacobiBaseline{relax, moveByMeans, relaxPasses};
