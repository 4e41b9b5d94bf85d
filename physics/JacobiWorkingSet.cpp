#include "physics/JacobiWorkingSet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// The arrays a pass reads and writes, in solving order.
struct JacobiWorkingSet::WidePass {
    std::size_t groups;      // vectors of 8 constraints
    std::size_t equalGroups; // the first ones, whose constraints all join equal masses
    double* positions;
    const std::uint32_t* endOffsets;
    const double* restLength;
    const double* inverseMassSum;
    const double* massA;
    const double* massB;
    double* difference;
    const std::uint32_t* endSlots;
    double* corrections;
    std::size_t pairCount;
    const int* pairStart;
    const double* pairScale;
};

namespace {

using WidePass = JacobiWorkingSet::WidePass;

// x, y, z, 0 as one vector; aligned as a double, since it lives in arrays of
// doubles (an unaligned vector load costs nothing more unless it straddles
// two cache lines, which the arrays' own alignment rules out).
typedef double Quad __attribute__((vector_size(4 * sizeof(double)), aligned(alignof(double))));

template <typename Values>
Quad* quads(Values& values) { return reinterpret_cast<Quad*>(values.data()); }

// The plain loops run over flat arrays that do not overlap, so the compiler
// vectorises them (with the wider vector units where the processor has them,
// picked at load time). Square root and division are correctly rounded in
// every lane and nothing is fused, so each lane gives the scalar formula's
// bits. Each takes the constraints [begin, end) in solving order.

__attribute__((target_clones("avx512f", "avx2", "default"))) void differences(
    std::size_t begin, std::size_t end, const double* __restrict positions, const int* __restrict offsetA,
    const int* __restrict offsetB, Quad* __restrict difference) {
    for (std::size_t c = begin; c < end; ++c) {
        difference[c] = *reinterpret_cast<const Quad*>(positions + offsetA[c]) -
                        *reinterpret_cast<const Quad*>(positions + offsetB[c]);
    }
}

// Constraints whose ends have the same mass: k / mass is the same division
// for both ends, done once; a's correction is subtracted, and adding the
// product with the negated factor rounds exactly as subtracting it does.
__attribute__((target_clones("avx512f", "avx2", "default"))) void scalesOfEqualMasses(
    std::size_t begin, std::size_t end, const Quad* __restrict difference, const double* __restrict restLength,
    const double* __restrict inverseMassSum, const double* __restrict mass, double* __restrict scaleA,
    double* __restrict scaleB) {
    for (std::size_t c = begin; c < end; ++c) {
        const Quad d = difference[c];
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const double k = (len - restLength[c]) / (len * inverseMassSum[c]);
        const double q = k / mass[c];
        scaleA[c] = -q;
        scaleB[c] = q;
    }
}

__attribute__((target_clones("avx512f", "avx2", "default"))) void scalesOfUnequalMasses(
    std::size_t begin, std::size_t end, const Quad* __restrict difference, const double* __restrict restLength,
    const double* __restrict inverseMassSum, const double* __restrict massA, const double* __restrict massB,
    double* __restrict scaleA, double* __restrict scaleB) {
    for (std::size_t c = begin; c < end; ++c) {
        const Quad d = difference[c];
        const double len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const double k = (len - restLength[c]) / (len * inverseMassSum[c]);
        scaleA[c] = -(k / massA[c]);
        scaleB[c] = k / massB[c];
    }
}

// Both corrections of each constraint, each stored where its particle's
// sum reads it.
__attribute__((target_clones("avx512f", "avx2", "default"))) void scatterCorrections(
    std::size_t begin, std::size_t end, const Quad* __restrict difference, const double* __restrict scaleA,
    const double* __restrict scaleB, const int* __restrict slotA, const int* __restrict slotB,
    double* __restrict corrections) {
    for (std::size_t c = begin; c < end; ++c) {
        *reinterpret_cast<Quad*>(corrections + slotA[c]) = difference[c] * scaleA[c];
        *reinterpret_cast<Quad*>(corrections + slotB[c]) = difference[c] * scaleB[c];
    }
}

// Two particles' x, y, z, 0 side by side: one 512-bit vector.
typedef double Pair __attribute__((vector_size(8 * sizeof(double)), aligned(alignof(double))));

// Each particle's mean, two particles at a time: the pair's sums are one
// vector, its corrections interleaved entry by entry, so each addition adds
// one entry to each sum. A particle with fewer entries than its partner has
// +0.0 in the rest, which leaves its sum as it is (a sum that starts at
// +0.0 is never -0.0). Pairs do not depend on each other, so the processor
// overlaps their chains of additions.
__attribute__((always_inline)) inline void moveByMeansInline(std::size_t pairCount, const int* __restrict pairStart,
                                                             const double* __restrict corrections,
                                                             const double* __restrict pairScale,
                                                             double* __restrict positions) {
    // No helper functions here taking or returning Pair: unless inlined
    // they would not share this clone's vector registers (a different ABI).
    const Pair* entries = reinterpret_cast<const Pair*>(corrections);
    const Pair* scales = reinterpret_cast<const Pair*>(pairScale);
    Pair* points = reinterpret_cast<Pair*>(positions);
    for (std::size_t q = 0; q < pairCount; ++q) {
        Pair sum = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        for (int e = pairStart[q]; e < pairStart[q + 1]; ++e) {
            sum += entries[e];
        }
        points[q] += sum * scales[q];
    }
}

__attribute__((target_clones("avx512f", "avx2", "default"))) void moveByMeans(
    std::size_t pairCount, const int* __restrict pairStart, const double* __restrict corrections,
    const double* __restrict pairScale, double* __restrict positions) {
    moveByMeansInline(pairCount, pairStart, corrections, pairScale, positions);
}

#if defined(__x86_64__)
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

__attribute__((target("avx512f,avx512vl"), always_inline)) inline __m512d differencesOfGroup(
    std::size_t c, const double* positions, const std::uint32_t* endOffsets, double* difference) {
    __m512d squared[4];
    for (int j = 0; j < 4; ++j) {
        const std::uint32_t ends0 = endOffsets[c + kPairFirst[j]];
        const std::uint32_t ends1 = endOffsets[c + kPairSecond[j]];
        const __m256d d0 = _mm256_sub_pd(_mm256_loadu_pd(positions + (ends0 & 0xffffu)),
                                         _mm256_loadu_pd(positions + (ends0 >> 16)));
        const __m256d d1 = _mm256_sub_pd(_mm256_loadu_pd(positions + (ends1 & 0xffffu)),
                                         _mm256_loadu_pd(positions + (ends1 >> 16)));
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
__attribute__((target("avx512f,avx512vl"), always_inline)) inline void scalesOfGroup(
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

__attribute__((target("avx512f,avx512vl"), always_inline)) inline void correctionsOfGroup(
    std::size_t c, bool equalMasses, __m512d scaleA, __m512d scaleB, const double* difference,
    const std::uint32_t* endSlots, double* corrections) {
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
        const std::uint32_t slots0 = endSlots[c + kPairFirst[j]];
        const std::uint32_t slots1 = endSlots[c + kPairSecond[j]];
        _mm256_storeu_pd(corrections + (slots0 & 0xffffu), _mm512_castpd512_pd256(a));
        _mm256_storeu_pd(corrections + (slots1 & 0xffffu), _mm512_extractf64x4_pd(a, 1));
        _mm256_storeu_pd(corrections + (slots0 >> 16), _mm512_castpd512_pd256(b));
        _mm256_storeu_pd(corrections + (slots1 >> 16), _mm512_extractf64x4_pd(b, 1));
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
// group; in the steady state every stage has one, and no test is made.
template <bool Steady>
__attribute__((target("avx512f,avx512vl"), always_inline)) inline void pipelineIteration(std::size_t t,
                                                                                        const WidePass& pass,
                                                                                        PipelineState& state) {
    if (Steady || t >= 4) {
        correctionsOfGroup(8 * (t - 4), t - 4 < pass.equalGroups, state.scaleA, state.scaleB, pass.difference,
                           pass.endSlots, pass.corrections);
    }
    if (Steady || (t >= 3 && t <= pass.groups + 2)) {
        scalesOfGroup(8 * (t - 3), t - 3 < pass.equalGroups, state.k, pass.massA, pass.massB, state.scaleA,
                      state.scaleB);
    }
    if (Steady || (t >= 2 && t <= pass.groups + 1)) {
        const std::size_t c = 8 * (t - 2);
        state.k = _mm512_div_pd(_mm512_sub_pd(state.length, _mm512_loadu_pd(pass.restLength + c)),
                                _mm512_mul_pd(state.length, _mm512_loadu_pd(pass.inverseMassSum + c)));
    }
    if (Steady || (t >= 1 && t <= pass.groups)) {
        state.length = _mm512_sqrt_pd(state.lengthSquared);
    }
    if (Steady || t < pass.groups) {
        state.lengthSquared = differencesOfGroup(8 * t, pass.positions, pass.endOffsets, pass.difference);
    }
}

__attribute__((target("avx512f,avx512vl"), always_inline)) inline void relaxWide(const WidePass& pass) {
    PipelineState state{_mm512_setzero_pd(), _mm512_setzero_pd(), _mm512_setzero_pd(), _mm512_setzero_pd(),
                        _mm512_setzero_pd()};
    std::size_t t = 0;
    for (; t < 4 && t < pass.groups + 4; ++t) {
        pipelineIteration<false>(t, pass, state);
    }
    for (; t < pass.groups; ++t) {
        pipelineIteration<true>(t, pass, state);
    }
    for (; t < pass.groups + 4; ++t) {
        pipelineIteration<false>(t, pass, state);
    }
}

__attribute__((target("avx512f,avx512vl"))) void relaxWideOnce(const WidePass& pass) { relaxWide(pass); }

// Every pass in one function, so that nothing between passes is a call.
__attribute__((target("avx512f,avx512vl"))) void relaxWidePasses(const WidePass& pass, int passes) {
    for (int i = 0; i < passes; ++i) {
        relaxWide(pass);
        moveByMeansInline(pass.pairCount, pass.pairStart, pass.corrections, pass.pairScale, pass.positions);
    }
}
#pragma GCC diagnostic pop
#endif

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

bool JacobiWorkingSet::wideVectorsAvailable() {
#if defined(__x86_64__)
    // A working set may be made before main, when the processor's features
    // are not yet read unless asked for.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#else
    return false;
#endif
}

void JacobiWorkingSet::useWideVectors(bool use) { wide = use && wideVectorsAvailable(); }

void JacobiWorkingSet::build(std::size_t particleCount, const std::vector<DistanceConstraint>& constraints,
                             const std::vector<int>& constraintCounts) {
    const std::size_t m = constraints.size();
    // The particles in the working set's own order: those with constraints
    // first, fewest constraints first, so that partners in a pair have
    // nearly as many; then, after a place that pads them to whole pairs,
    // those without, which keep their place (adding even +0.0 would turn a
    // -0.0 coordinate into +0.0).
    std::vector<int> byCount(particleCount);
    std::iota(byCount.begin(), byCount.end(), 0);
    std::stable_sort(byCount.begin(), byCount.end(), [&](int p, int q) {
        const int a = constraintCounts[static_cast<std::size_t>(p)];
        const int b = constraintCounts[static_cast<std::size_t>(q)];
        return (a != 0) != (b != 0) ? a != 0 : a < b;
    });
    const std::size_t movedCount = static_cast<std::size_t>(
        std::count_if(constraintCounts.begin(), constraintCounts.end(), [](int count) { return count != 0; }));
    pairCount = (movedCount + 1) / 2;
    place.assign(particleCount, 0);
    for (std::size_t i = 0; i < particleCount; ++i) {
        place[static_cast<std::size_t>(byCount[i])] = static_cast<int>(i < movedCount ? i : i + movedCount % 2);
    }
    positions.assign(4 * (2 * pairCount + particleCount - movedCount), 0.0);

    // Each pair's entries: as many as its partner with most constraints.
    // The mean multiplies by the rounded reciprocal of the count; forming
    // it once gives the same bits.
    pairStart.assign(pairCount + 1, 0);
    pairScale.assign(8 * pairCount, 0.0);
    for (std::size_t i = 0; i < movedCount; ++i) {
        const int count = constraintCounts[static_cast<std::size_t>(byCount[i])];
        const std::size_t q = i / 2;
        pairStart[q + 1] = std::max(pairStart[q + 1], count);
        for (std::size_t k = 0; k < 4; ++k) {
            pairScale[8 * q + 4 * (i % 2) + k] = 1.0 / static_cast<double>(count);
        }
    }
    for (std::size_t q = 0; q < pairCount; ++q) {
        pairStart[q + 1] += pairStart[q];
    }

    // Where each end of each constraint stores its correction: its
    // particle's next entry, in registration order, a's before b's.
    std::vector<int> registeredSlotA(m);
    std::vector<int> registeredSlotB(m);
    std::vector<int> taken(particleCount, 0);
    const auto nextSlot = [&](const Particle* particle) {
        const std::size_t at = static_cast<std::size_t>(place[static_cast<std::size_t>(particle->index)]);
        const int entry = pairStart[at / 2] + taken[static_cast<std::size_t>(particle->index)]++;
        return 8 * entry + 4 * static_cast<int>(at % 2);
    };
    for (std::size_t r = 0; r < m; ++r) {
        registeredSlotA[r] = nextSlot(constraints[r].a);
        registeredSlotB[r] = nextSlot(constraints[r].b);
    }

    // Solving order: whole vectors of equal-mass constraints first, then the
    // rest, which divide twice (equal masses give both ends the same bits
    // that way too). The last vector is filled up with copies of the last
    // constraint, which compute what it does (so nothing new can trap) and
    // store their corrections past every particle's entries, where no sum
    // reads them.
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto equalMasses = [&](std::size_t r) { return sameBits(constraints[r].a->mass, constraints[r].b->mass); };
    const std::size_t equalCount =
        static_cast<std::size_t>(std::stable_partition(order.begin(), order.end(), equalMasses) - order.begin());
    equalMassCount = equalCount / 8 * 8;
    const std::size_t solved = (m + 7) / 8 * 8;
    const int entries = pairStart[pairCount];
    corrections.assign(8 * static_cast<std::size_t>(entries + 1), 0.0);
    slotA.resize(solved);
    slotB.resize(solved);
    offsetA.resize(solved);
    offsetB.resize(solved);
    endOffsets.resize(solved);
    endSlots.resize(solved);
    fitsWidePass = true;
    sourceConstraint.resize(solved);
    restLength.assign(solved, 0.0);
    inverseMassSum.resize(solved);
    massA.resize(solved);
    massB.resize(solved);
    for (std::size_t c = 0; c < solved; ++c) {
        const bool copy = c >= m;
        const std::size_t r = order[copy ? m - 1 : c];
        const DistanceConstraint& source = constraints[r];
        offsetA[c] = 4 * place[static_cast<std::size_t>(source.a->index)];
        offsetB[c] = 4 * place[static_cast<std::size_t>(source.b->index)];
        sourceConstraint[c] = static_cast<int>(r);
        inverseMassSum[c] = source.inverseMassSum;
        massA[c] = source.a->mass;
        massB[c] = source.b->mass;
        slotA[c] = copy ? 8 * entries : registeredSlotA[r];
        slotB[c] = copy ? 8 * entries + 4 : registeredSlotB[r];
        endOffsets[c] = static_cast<std::uint32_t>(offsetA[c]) | static_cast<std::uint32_t>(offsetB[c]) << 16;
        endSlots[c] = static_cast<std::uint32_t>(slotA[c]) | static_cast<std::uint32_t>(slotB[c]) << 16;
        fitsWidePass = fitsWidePass && std::max({offsetA[c], offsetB[c], slotA[c], slotB[c]}) <= 0xffff;
    }
    difference.assign(4 * solved, 0.0);
    scaleA.assign(solved, 0.0);
    scaleB.assign(solved, 0.0);
}

void JacobiWorkingSet::load(const Vector3D* source, const std::vector<DistanceConstraint>& constraints) {
    Quad* p = quads(positions);
    for (std::size_t i = 0; i < place.size(); ++i) {
        p[place[i]] = Quad{source[i].x, source[i].y, source[i].z, 0.0};
    }
    for (std::size_t c = 0; c < restLength.size(); ++c) {
        restLength[c] = constraints[static_cast<std::size_t>(sourceConstraint[c])].restLength;
    }
}

void JacobiWorkingSet::relax() {
    const std::size_t m = offsetA.size();
#if defined(__x86_64__)
    if (wide && fitsWidePass) {
        relaxWideOnce(widePass());
        return;
    }
#endif
    Quad* d = quads(difference);
    differences(0, m, positions.data(), offsetA.data(), offsetB.data(), d);
    scalesOfEqualMasses(0, equalMassCount, d, restLength.data(), inverseMassSum.data(), massA.data(), scaleA.data(),
                        scaleB.data());
    scalesOfUnequalMasses(equalMassCount, m, d, restLength.data(), inverseMassSum.data(), massA.data(), massB.data(),
                          scaleA.data(), scaleB.data());
    scatterCorrections(0, m, d, scaleA.data(), scaleB.data(), slotA.data(), slotB.data(), corrections.data());
}

#if defined(__x86_64__)
JacobiWorkingSet::WidePass JacobiWorkingSet::widePass() {
    return WidePass{offsetA.size() / 8, equalMassCount / 8, positions.data(), endOffsets.data(), restLength.data(),
                    inverseMassSum.data(), massA.data(), massB.data(), difference.data(), endSlots.data(),
                    corrections.data(), pairCount, pairStart.data(), pairScale.data()};
}
#endif

void JacobiWorkingSet::relaxPasses(int passes, const std::vector<Anchor>& anchors) {
#if defined(__x86_64__)
    if (wide && fitsWidePass && anchors.empty()) {
        relaxWidePasses(widePass(), passes);
        return;
    }
#endif
    for (int i = 0; i < passes; ++i) {
        relax();
        applyCorrections(anchors);
    }
}

void JacobiWorkingSet::applyCorrections(const std::vector<Anchor>& anchors) {
    moveByMeans(pairCount, pairStart.data(), corrections.data(), pairScale.data(), positions.data());
    for (const Anchor& anchor : anchors) {
        quads(positions)[place[static_cast<std::size_t>(anchor.particle->index)]] =
            Quad{anchor.position.x, anchor.position.y, anchor.position.z, 0.0};
    }
}

void JacobiWorkingSet::store(Vector3D* target) const {
    for (std::size_t i = 0; i < place.size(); ++i) {
        const std::size_t at = 4 * static_cast<std::size_t>(place[i]);
        target[i] = Vector3D(positions[at], positions[at + 1], positions[at + 2]);
    }
}
