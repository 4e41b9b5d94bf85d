#if defined(__x86_64__)
#include <immintrin.h>

#include <algorithm>

#include "physics/JacobiPlainLoops.h"

// The pass for processors with AVX-512: hand-written for 512-bit vectors
// when every index fits the packed words, the plain loops otherwise.
namespace {

#define GLIDER_AVX512 __attribute__((target("avx512f,avx512vl")))

// GCC 12's own intrinsics start some results from a deliberately undefined
// vector and then warn that it may be used uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

// The constraint pass written out for 512-bit vectors, 8 constraints at a
// time, as a five-stage pipeline over the groups. Square roots and
// divisions are slow and each waits on the one before, so a group's own
// chain (differences, square root, k, k / mass, corrections) takes far
// longer than the divider needs per group. In each iteration the stages
// work on five different groups: the differences of the newest, the square
// root of the one before, k of the one before that, the scales of the next
// and the corrections of the oldest. So the divider's work in an iteration
// never waits on itself, and the loads and shuffles overlap it. Each end is
// one 256-bit load; the squared lengths are transposed into one vector per
// coordinate for the arithmetic, and the scales spread back over the
// points. The same operations on the same operands, lane by lane, so the
// same bits.
//
// The group's constraints are paired in 512-bit vectors as (0, 2), (1, 3),
// (4, 6), (5, 7): with that pairing, unpacking within 128-bit lanes and
// then gathering whole 128-bit lanes puts the squared coordinates in
// constraint order, with no shuffle that needs an index vector.
constexpr int kPairFirst[4] = {0, 1, 4, 5};
constexpr int kPairSecond[4] = {2, 3, 6, 7};

GLIDER_AVX512 GLIDER_JACOBI_INLINE __m512d differencesOfGroup(
    std::size_t c, const double* positions, const std::uint16_t* endOffsets, double* difference) {
    __m512d squared[4];
    for (int j = 0; j < 4; ++j) {
        const std::uint16_t* ends0 = endOffsets + 2 * (c + kPairFirst[j]);
        const std::uint16_t* ends1 = endOffsets + 2 * (c + kPairSecond[j]);
        const __m256d d0 =
            _mm256_sub_pd(_mm256_loadu_pd(positions + ends0[0]), _mm256_loadu_pd(positions + ends0[1]));
        const __m256d d1 =
            _mm256_sub_pd(_mm256_loadu_pd(positions + ends1[0]), _mm256_loadu_pd(positions + ends1[1]));
        const __m512d d = _mm512_insertf64x4(_mm512_castpd256_pd512(d0), d1, 1);
        _mm512_storeu_pd(difference + 4 * (c + 2 * j), d);
        squared[j] = _mm512_mul_pd(d, d);
    }
    // x and z of constraints 0, 1 | 0, 1 | 2, 3 | 2, 3 (128-bit lanes), then y
    const __m512d xz0123 = _mm512_unpacklo_pd(squared[0], squared[1]);
    const __m512d y0123 = _mm512_unpackhi_pd(squared[0], squared[1]);
    const __m512d xz4567 = _mm512_unpacklo_pd(squared[2], squared[3]);
    const __m512d y4567 = _mm512_unpackhi_pd(squared[2], squared[3]);
    const __m512d xx = _mm512_shuffle_f64x2(xz0123, xz4567, 0x88); // lanes 0 and 2 of each
    const __m512d yy = _mm512_shuffle_f64x2(y0123, y4567, 0x88);
    const __m512d zz = _mm512_shuffle_f64x2(xz0123, xz4567, 0xdd); // lanes 1 and 3 of each
    return _mm512_add_pd(_mm512_add_pd(xx, yy), zz);
}

// Each end's scale: a's correction is subtracted, and adding the product
// with the negated factor rounds exactly as subtracting it does. With equal
// masses k / mass is the same division for both ends, done once, and a's
// correction is b's negated (negating a factor negates the rounded
// product), so only b's scale is formed.
GLIDER_AVX512 GLIDER_JACOBI_INLINE void scalesOfGroup(
    std::size_t c, bool equalMasses, __m512d k, const double* massA, const double* massB, __m512d& scaleA,
    __m512d& scaleB) {
    if (equalMasses) {
        scaleB = _mm512_div_pd(k, _mm512_loadu_pd(massA + c));
    } else {
        const __m512i signBit = _mm512_set1_epi64(static_cast<long long>(0x8000000000000000ULL));
        scaleA = _mm512_castsi512_pd(
            _mm512_xor_si512(_mm512_castpd_si512(_mm512_div_pd(k, _mm512_loadu_pd(massA + c))), signBit));
        scaleB = _mm512_div_pd(k, _mm512_loadu_pd(massB + c));
    }
}

GLIDER_AVX512 GLIDER_JACOBI_INLINE void correctionsOfGroup(
    std::size_t c, bool equalMasses, __m512d scaleA, __m512d scaleB, const double* difference,
    const std::uint16_t* endSlots, double* corrections) {
    const __m512i signBit = _mm512_set1_epi64(static_cast<long long>(0x8000000000000000ULL));
    for (int j = 0; j < 4; ++j) {
        // The pair's two scales, each over its constraint's four.
        const long long first = kPairFirst[j];
        const long long second = kPairSecond[j];
        const __m512i spread = _mm512_setr_epi64(first, first, first, first, second, second, second, second);
        const __m512d d = _mm512_loadu_pd(difference + 4 * (c + 2 * j));
        const __m512d b = _mm512_mul_pd(d, _mm512_permutexvar_pd(spread, scaleB));
        const __m512d a = equalMasses ? _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(b), signBit))
                                      : _mm512_mul_pd(d, _mm512_permutexvar_pd(spread, scaleA));
        const std::uint16_t* slots0 = endSlots + 2 * (c + kPairFirst[j]);
        const std::uint16_t* slots1 = endSlots + 2 * (c + kPairSecond[j]);
        _mm256_storeu_pd(corrections + slots0[0], _mm512_castpd512_pd256(a));
        _mm256_storeu_pd(corrections + slots1[0], _mm512_extractf64x4_pd(a, 1));
        _mm256_storeu_pd(corrections + slots0[1], _mm512_castpd512_pd256(b));
        _mm256_storeu_pd(corrections + slots1[1], _mm512_extractf64x4_pd(b, 1));
    }
}

// What each stage hands the next: the squared lengths of the newest group,
// the lengths of the one before, k of the one before that, the scales of
// the next.
struct PipelineState {
    __m512d lengthSquared;
    __m512d length;
    __m512d k;
    __m512d scaleA;
    __m512d scaleB;
};


// Iteration t of the pipeline: the stages from the oldest group to the
// newest, each reading what the one after it hands on before that one
// overwrites it. While the pipeline fills and drains some stages have no
// group and each group's kind of masses is looked up; in the steady state
// every stage has one and the kinds are fixed by the caller (EqualScales
// for the group taking its scales, EqualCorrections for the oldest), so no
// test is made.
template <bool Steady, bool EqualScales = true, bool EqualCorrections = true>
GLIDER_AVX512 GLIDER_JACOBI_INLINE void pipelineIteration(std::size_t t, const JacobiPass& pass,
                                                          PipelineState& state) {
    const std::size_t groups = pass.constraints / 8;
    const std::size_t equalGroups = pass.equalMassConstraints / 8;
    if (Steady || t >= 4) {
        correctionsOfGroup(8 * (t - 4), Steady ? EqualCorrections : t - 4 < equalGroups, state.scaleA, state.scaleB,
                           pass.difference, pass.endSlots, pass.corrections);
    }
    if (Steady || (t >= 3 && t <= groups + 2)) {
        scalesOfGroup(8 * (t - 3), Steady ? EqualScales : t - 3 < equalGroups, state.k, pass.massA, pass.massB,
                      state.scaleA, state.scaleB);
    }
    if (Steady || (t >= 2 && t <= groups + 1)) {
        const std::size_t c = 8 * (t - 2);
        state.k = _mm512_div_pd(_mm512_sub_pd(state.length, _mm512_loadu_pd(pass.restLength + c)),
                                _mm512_mul_pd(state.length, _mm512_loadu_pd(pass.inverseMassSum + c)));
    }
    if (Steady || (t >= 1 && t <= groups)) {
        state.length = _mm512_sqrt_pd(state.lengthSquared);
    }
    if (Steady || t < groups) {
        state.lengthSquared = differencesOfGroup(8 * t, pass.positions, pass.endOffsets, pass.difference);
    }
}

GLIDER_AVX512 GLIDER_JACOBI_INLINE void relaxWide(const JacobiPass& pass) {
    PipelineState state{_mm512_setzero_pd(), _mm512_setzero_pd(), _mm512_setzero_pd(), _mm512_setzero_pd(),
                        _mm512_setzero_pd()};
    const std::size_t groups = pass.constraints / 8;
    std::size_t t = 0;
    for (; t < 4 && t < groups + 4; ++t) {
        pipelineIteration<false>(t, pass, state);
    }
    // Steady: both groups of equal masses, then the first unequal one
    // taking its scales, then both unequal.
    const std::size_t equalGroups = pass.equalMassConstraints / 8;
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

#pragma GCC diagnostic pop

// Two particles' x, y, z, 0 side by side: one 512-bit vector, so a pair's
// sums are one vector.
typedef double Pair __attribute__((vector_size(8 * sizeof(double)), aligned(alignof(double))));

// Each works on its own copy of the pass: the stores into the arrays cannot
// reach it, so its pointers stay in registers.
GLIDER_AVX512 void relax(const JacobiPass& shared) {
    const JacobiPass pass = shared;
    if (pass.packed) {
        relaxWide(pass);
    } else {
        jacobi_plain::relax(pass);
    }
}

GLIDER_AVX512 void moveByMeans(const JacobiPass& pass) { jacobi_plain::moveByMeans<Pair>(pass); }

// Every pass in one function, so that nothing between passes is a call
// (which would also clear the vector registers' upper halves).
GLIDER_AVX512 void relaxPasses(const JacobiPass& shared, int passes) {
    const JacobiPass pass = shared;
    for (int i = 0; i < passes; ++i) {
        if (pass.packed) {
            relaxWide(pass);
        } else {
            jacobi_plain::relax(pass);
        }
        jacobi_plain::moveByMeans<Pair>(pass);
    }
}

} // namespace

const JacobiKernels kJacobiAvx512{relax, moveByMeans, relaxPasses};

#endif
