#if defined(__x86_64__)
#include <immintrin.h>

#include <algorithm>

#include "physics/JacobiPlainLoops.h"

// The pass for processors with AVX2 (256-bit vectors, one point each):
// hand-written when every index fits the packed words, the plain loops
// otherwise.
namespace {

#define GLIDER_AVX2 __attribute__((target("avx2")))

// The constraint pass four constraints at a time, as the same five-stage
// pipeline as the 512-bit pass (see there): in each iteration the
// differences of the newest group, the square root of the one before, k of
// the one before that, the scales of the next and the corrections of the
// oldest, so that the divider never waits on its own last result. The same
// operations on the same operands, lane by lane, so the same bits.

// Each end is one load; the four squared differences are transposed into
// one vector per coordinate by unpacking within 128-bit lanes and then
// taking whole lanes, and summed in the formula's order.
GLIDER_AVX2 GLIDER_JACOBI_INLINE __m256d differencesOfGroup(std::size_t c, const double* positions,
                                                            const std::uint16_t* endOffsets, double* difference) {
    __m256d squared[4];
    for (int j = 0; j < 4; ++j) {
        const std::uint16_t* ends = endOffsets + 2 * (c + static_cast<std::size_t>(j));
        const __m256d d = _mm256_sub_pd(_mm256_loadu_pd(positions + ends[0]), _mm256_loadu_pd(positions + ends[1]));
        _mm256_storeu_pd(difference + 4 * (c + static_cast<std::size_t>(j)), d);
        squared[j] = _mm256_mul_pd(d, d);
    }
    const __m256d xz01 = _mm256_unpacklo_pd(squared[0], squared[1]); // x0 x1 | z0 z1
    const __m256d y01 = _mm256_unpackhi_pd(squared[0], squared[1]);  // y0 y1 | 0 0
    const __m256d xz23 = _mm256_unpacklo_pd(squared[2], squared[3]);
    const __m256d y23 = _mm256_unpackhi_pd(squared[2], squared[3]);
    const __m256d xx = _mm256_permute2f128_pd(xz01, xz23, 0x20);
    const __m256d yy = _mm256_permute2f128_pd(y01, y23, 0x20);
    const __m256d zz = _mm256_permute2f128_pd(xz01, xz23, 0x31);
    return _mm256_add_pd(_mm256_add_pd(xx, yy), zz);
}

// Each end's scale, as in the plain loops: a's is k / a's mass negated
// (adding the product with the negated factor rounds as subtracting it
// does); with equal masses only b's is formed, and a's correction is b's
// negated.
GLIDER_AVX2 GLIDER_JACOBI_INLINE void scalesOfGroup(std::size_t c, bool equalMasses, __m256d k, const double* massA,
                                                    const double* massB, __m256d& scaleA, __m256d& scaleB) {
    if (equalMasses) {
        scaleB = _mm256_div_pd(k, _mm256_loadu_pd(massA + c));
    } else {
        scaleA = _mm256_xor_pd(_mm256_div_pd(k, _mm256_loadu_pd(massA + c)), _mm256_set1_pd(-0.0));
        scaleB = _mm256_div_pd(k, _mm256_loadu_pd(massB + c));
    }
}

// Constraint j's corrections: its scales spread over its four.
template <int J>
GLIDER_AVX2 GLIDER_JACOBI_INLINE void correctionsOfConstraint(std::size_t c, bool equalMasses, __m256d scaleA,
                                                              __m256d scaleB, const double* difference,
                                                              const std::uint16_t* endSlots, double* corrections) {
    constexpr int kSpread = J * 0x55;
    const __m256d d = _mm256_loadu_pd(difference + 4 * (c + J));
    const __m256d b = _mm256_mul_pd(d, _mm256_permute4x64_pd(scaleB, kSpread));
    const __m256d a = equalMasses ? _mm256_xor_pd(b, _mm256_set1_pd(-0.0))
                                  : _mm256_mul_pd(d, _mm256_permute4x64_pd(scaleA, kSpread));
    const std::uint16_t* slots = endSlots + 2 * (c + J);
    _mm256_storeu_pd(corrections + slots[0], a);
    _mm256_storeu_pd(corrections + slots[1], b);
}

GLIDER_AVX2 GLIDER_JACOBI_INLINE void correctionsOfGroup(std::size_t c, bool equalMasses, __m256d scaleA,
                                                         __m256d scaleB, const double* difference,
                                                         const std::uint16_t* endSlots, double* corrections) {
    correctionsOfConstraint<0>(c, equalMasses, scaleA, scaleB, difference, endSlots, corrections);
    correctionsOfConstraint<1>(c, equalMasses, scaleA, scaleB, difference, endSlots, corrections);
    correctionsOfConstraint<2>(c, equalMasses, scaleA, scaleB, difference, endSlots, corrections);
    correctionsOfConstraint<3>(c, equalMasses, scaleA, scaleB, difference, endSlots, corrections);
}

struct PipelineState {
    __m256d lengthSquared;
    __m256d length;
    __m256d k;
    __m256d scaleA;
    __m256d scaleB;
};

// Iteration t: the stages from the oldest group to the newest, each reading
// what the one after it hands on before that one overwrites it. While the
// pipeline fills and drains, the stages without a group are skipped and
// each group's kind of masses is looked up; in the steady state every stage
// has a group and the kinds are fixed by the caller (EqualScales for the
// group taking its scales, EqualCorrections for the oldest), so the loop
// holds no test but its own.
template <bool Steady, bool EqualScales = true, bool EqualCorrections = true>
GLIDER_AVX2 GLIDER_JACOBI_INLINE void pipelineIteration(std::size_t t, const JacobiPass& pass,
                                                        PipelineState& state) {
    const std::size_t groups = pass.constraints / 4;
    const std::size_t equalGroups = pass.equalMassConstraints / 4;
    if (Steady || t >= 4) {
        correctionsOfGroup(4 * (t - 4), Steady ? EqualCorrections : t - 4 < equalGroups, state.scaleA, state.scaleB,
                           pass.difference, pass.endSlots, pass.corrections);
    }
    if (Steady || (t >= 3 && t <= groups + 2)) {
        scalesOfGroup(4 * (t - 3), Steady ? EqualScales : t - 3 < equalGroups, state.k, pass.massA, pass.massB,
                      state.scaleA, state.scaleB);
    }
    if (Steady || (t >= 2 && t <= groups + 1)) {
        const std::size_t c = 4 * (t - 2);
        state.k = _mm256_div_pd(_mm256_sub_pd(state.length, _mm256_loadu_pd(pass.restLength + c)),
                                _mm256_mul_pd(state.length, _mm256_loadu_pd(pass.inverseMassSum + c)));
    }
    if (Steady || (t >= 1 && t <= groups)) {
        state.length = _mm256_sqrt_pd(state.lengthSquared);
    }
    if (Steady || t < groups) {
        state.lengthSquared = differencesOfGroup(4 * t, pass.positions, pass.endOffsets, pass.difference);
    }
}

// `pass` is the caller's own copy: the stores into the arrays cannot reach
// it, so its pointers stay in registers rather than being read again after
// every store.
GLIDER_AVX2 GLIDER_JACOBI_INLINE void relaxFour(const JacobiPass& pass) {
    const std::size_t groups = pass.constraints / 4;
    const std::size_t equalGroups = pass.equalMassConstraints / 4;
    PipelineState state{_mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(), _mm256_setzero_pd(),
                        _mm256_setzero_pd()};
    std::size_t t = 0;
    for (; t < 4 && t < groups + 4; ++t) {
        pipelineIteration<false>(t, pass, state);
    }
    // Steady: both groups of equal masses, then the first unequal one
    // taking its scales, then both unequal.
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

GLIDER_AVX2 void relax(const JacobiPass& shared) {
    const JacobiPass pass = shared;
    if (pass.packed) {
        relaxFour(pass);
    } else {
        jacobi_plain::relax(pass);
    }
}

GLIDER_AVX2 void moveByMeans(const JacobiPass& pass) { jacobi_plain::moveByMeans<jacobi_plain::Quad>(pass); }

// Every pass in one function, so that nothing between passes is a call.
GLIDER_AVX2 void relaxPasses(const JacobiPass& shared, int passes) {
    const JacobiPass pass = shared;
    for (int i = 0; i < passes; ++i) {
        if (pass.packed) {
            relaxFour(pass);
        } else {
            jacobi_plain::relax(pass);
        }
        jacobi_plain::moveByMeans<jacobi_plain::Quad>(pass);
    }
}

} // namespace

const JacobiKernels kJacobiAvx2{relax, moveByMeans, relaxPasses};

#endif
