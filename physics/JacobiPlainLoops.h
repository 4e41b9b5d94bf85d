#pragma once

#include <cmath>
#include <cstddef>

#include "physics/JacobiPass.h"

// The relaxation pass as plain loops over flat arrays that do not overlap,
// which the compiler vectorises. Each instruction set's kernels inline them
// into functions built for that set, so the same source gives each level's
// vectors. Square root and division are correctly rounded in every lane and
// nothing is fused, so each lane gives the scalar formula's bits.
namespace jacobi_plain {

#define GLIDER_JACOBI_INLINE inline __attribute__((always_inline))

// x, y, z, 0 as one vector; aligned as a double, since it lives in arrays of
// doubles (an unaligned vector load costs nothing more unless it straddles
// two cache lines, which the arrays' own alignment rules out).
typedef double Quad __attribute__((vector_size(4 * sizeof(double)), aligned(alignof(double))));

// Each takes the constraints [begin, end) in solving order.
GLIDER_JACOBI_INLINE void differences(std::size_t begin, std::size_t end, const double* __restrict positions,
                                      const int* __restrict offsetA, const int* __restrict offsetB,
                                      Quad* __restrict difference) {
    for (std::size_t c = begin; c < end; ++c) {
        difference[c] = *reinterpret_cast<const Quad*>(positions + offsetA[c]) -
                        *reinterpret_cast<const Quad*>(positions + offsetB[c]);
    }
}

// Constraints whose ends have the same mass: k / mass is the same division
// for both ends, done once; a's correction is subtracted, and adding the
// product with the negated factor rounds exactly as subtracting it does.
GLIDER_JACOBI_INLINE void scalesOfEqualMasses(std::size_t begin, std::size_t end, const Quad* __restrict difference,
                                              const double* __restrict restLength,
                                              const double* __restrict inverseMassSum,
                                              const double* __restrict mass, double* __restrict scaleA,
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

GLIDER_JACOBI_INLINE void scalesOfUnequalMasses(std::size_t begin, std::size_t end,
                                                const Quad* __restrict difference,
                                                const double* __restrict restLength,
                                                const double* __restrict inverseMassSum,
                                                const double* __restrict massA, const double* __restrict massB,
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
GLIDER_JACOBI_INLINE void scatterCorrections(std::size_t begin, std::size_t end, const Quad* __restrict difference,
                                             const double* __restrict scaleA, const double* __restrict scaleB,
                                             const int* __restrict slotA, const int* __restrict slotB,
                                             double* __restrict corrections) {
    for (std::size_t c = begin; c < end; ++c) {
        *reinterpret_cast<Quad*>(corrections + slotA[c]) = difference[c] * scaleA[c];
        *reinterpret_cast<Quad*>(corrections + slotB[c]) = difference[c] * scaleB[c];
    }
}

GLIDER_JACOBI_INLINE void relax(const JacobiPass& pass) {
    Quad* d = reinterpret_cast<Quad*>(pass.difference);
    differences(0, pass.constraints, pass.positions, pass.offsetA, pass.offsetB, d);
    scalesOfEqualMasses(0, pass.equalMassConstraints, d, pass.restLength, pass.inverseMassSum, pass.massA,
                        pass.scaleA, pass.scaleB);
    scalesOfUnequalMasses(pass.equalMassConstraints, pass.constraints, d, pass.restLength, pass.inverseMassSum,
                          pass.massA, pass.massB, pass.scaleA, pass.scaleB);
    scatterCorrections(0, pass.constraints, d, pass.scaleA, pass.scaleB, pass.slotA, pass.slotB, pass.corrections);
}

// One entry of a pair added into its sums, and the next one's place.
template <typename Points, std::size_t kVectors>
GLIDER_JACOBI_INLINE void addEntry(Points (&sum)[kVectors], const Points*& entry) {
    for (std::size_t v = 0; v < kVectors; ++v) {
        sum[v] += entry[v];
    }
    entry += kVectors;
}

// Each particle's mean, two particles at a time: pair q's entries hold the
// first particle's correction, then the second's, so its two sums add one
// entry each per step. A particle with fewer entries than its partner has
// +0.0 in the rest, which leaves its sum as it is (a sum that starts at
// +0.0 is never -0.0). Pairs do not depend on each other, so the processor
// overlaps their chains of additions. `Points` is the vector the sums are
// kept in: one particle's four (Quad) or both particles' eight. The entries
// go in order, the odd ones first and then four at a time, so the loop's
// count and test are paid once per four additions rather than per one.
template <typename Points>
GLIDER_JACOBI_INLINE void moveByMeans(const JacobiPass& pass) {
    constexpr std::size_t kPerVector = sizeof(Points) / sizeof(double);
    constexpr std::size_t kVectors = 8 / kPerVector;
    const Points* entries = reinterpret_cast<const Points*>(pass.corrections);
    const Points* scales = reinterpret_cast<const Points*>(pass.pairScale);
    Points* points = reinterpret_cast<Points*>(pass.positions);
    const int* pairStart = pass.pairStart;
    for (std::size_t q = 0; q < pass.pairCount; ++q) {
        Points sum[kVectors] = {};
        const Points* entry = entries + kVectors * static_cast<std::size_t>(pairStart[q]);
        const Points* const end = entries + kVectors * static_cast<std::size_t>(pairStart[q + 1]);
        switch (static_cast<std::size_t>(end - entry) / kVectors % 4) {
        case 3:
            addEntry(sum, entry);
            [[fallthrough]];
        case 2:
            addEntry(sum, entry);
            [[fallthrough]];
        case 1:
            addEntry(sum, entry);
            [[fallthrough]];
        default:
            break;
        }
        while (entry != end) {
            addEntry(sum, entry);
            addEntry(sum, entry);
            addEntry(sum, entry);
            addEntry(sum, entry);
        }
        for (std::size_t v = 0; v < kVectors; ++v) {
            points[kVectors * q + v] += sum[v] * scales[kVectors * q + v];
        }
    }
}

} // namespace jacobi_plain
