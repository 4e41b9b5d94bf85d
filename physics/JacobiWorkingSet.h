#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "physics/Anchor.h"
#include "physics/DistanceConstraint.h"
#include "physics/InstructionSet.h"
#include "physics/JacobiPass.h"
#include "physics/Vector3D.h"

// The Jacobi relaxation's working set: the positions and constraints of a
// world copied, once per step, into flat arrays laid out for the 55 passes,
// so that each pass runs in whole vectors: hand-written for each instruction
// set (JacobiPass.h), or plain loops the compiler vectorises.
//
// A pass computes, per constraint, with the positions of the pass's start:
//   d = a - b, len = |d|, k = (len - rest) / (len * inverseMassSum),
//   a's correction = d * -(k / a.mass), b's = d * (k / b.mass);
// then each particle moves by the sum of its corrections, added in
// registration order starting from +0.0, times 1 / its constraint count.
// Every operation, operand and rounding is that of the formula; only the
// order in which independent values are computed and where they are kept
// changes, so the positions come out with the same bits.
// Storage on whole cache lines: a 512-bit load or store that straddles two
// lines costs two.
template <typename T>
struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t kAlignment{64};
    CacheLineAllocator() = default;
    template <typename U>
    CacheLineAllocator(const CacheLineAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T), kAlignment)); }
    void deallocate(T* p, std::size_t) { ::operator delete(p, kAlignment); }
    template <typename U>
    bool operator==(const CacheLineAllocator<U>&) const { return true; }
    template <typename U>
    bool operator!=(const CacheLineAllocator<U>&) const { return false; }
};

class JacobiWorkingSet {
public:
    // Sizes every array, once. `constraintCounts` is per particle.
    void build(std::size_t particleCount, const std::vector<DistanceConstraint>& constraints,
               const std::vector<int>& constraintCounts);

    // The instruction set the passes are run in: the active one when made,
    // or `wanted` capped at the processor's (every level gives the same
    // bits, which tests compare).
    void useInstructionSet(InstructionSet wanted);
    InstructionSet instructionSet() const { return level; }

    // Copies the working positions in, with the rest lengths (steering
    // rewrites them between steps).
    void load(const Vector3D* positions, const std::vector<DistanceConstraint>& constraints);
    // Every constraint's corrections from the current positions.
    void relax();
    // Each particle moves by the mean of its corrections; anchored particles
    // are then put back where they are held.
    void applyCorrections(const std::vector<Anchor>& anchors);
    // `passes` passes, each relax then applyCorrections (with nothing
    // anchored, all of them in one call).
    void relaxPasses(int passes, const std::vector<Anchor>& anchors);
    // Copies the relaxed positions back out.
    void store(Vector3D* positions) const;

private:
    JacobiPass pass();

    InstructionSet level = activeInstructionSet();
    const JacobiKernels* kernels = &jacobiKernels(level);
    bool packed = false; // every offset and slot fits the packed words' 16 bits
    std::size_t equalMassCount = 0; // constraints [0, equalMassCount) join equal masses: whole vectors

    // Points and vectors are kept as x, y, z and a 0 that keeps the padding
    // inert: one 256-bit load, store or operation where three doubles would
    // need three, and no gathers (slow on the processors this runs on).
    // Particles have places of their own here (see `place`).
    std::vector<double, CacheLineAllocator<double>> positions; // (unit: m) 4 per place

    // Per constraint, in solving order: the equal-mass ones first, where one
    // division k / mass serves both ends (the pilot's lines, whose ends
    // differ, divide twice), each kind in registration order; padded to
    // whole vectors of 8.
    std::vector<int> offsetA; // 4 * the particle's place: where it starts in `positions`
    std::vector<int> offsetB;
    std::vector<int> sourceConstraint;  // its index among the world's constraints
    std::vector<double> restLength;     // (unit: m)
    std::vector<double> inverseMassSum; // (unit: 1/kg)
    std::vector<double> massA;          // (unit: kg)
    std::vector<double> massB;          // (unit: kg)
    std::vector<double, CacheLineAllocator<double>> difference; // (unit: m) d = a - b, 4 per constraint
    std::vector<double> scaleA;                                 // (unit: 1) a's correction is d * scaleA
    std::vector<double> scaleB;

    // Corrections (unit: m), kept where they are summed: the particles go
    // in pairs (places 2q and 2q + 1), and pair q's entries are
    // pairStart[q] to pairStart[q + 1], 8 doubles each: the first
    // particle's correction, then the second's, in registration order. One
    // more entry takes the padding's. Each constraint stores its ends' at
    // slotA and slotB (doubles from the start).
    std::vector<double, CacheLineAllocator<double>> corrections;
    std::vector<int> slotA;
    std::vector<int> slotB;
    // The hand-written passes' copies of both, 16 bits each, a's then b's
    // side by side: each is one load that widens it, with no masking or
    // shifting to take it out of a wider word.
    std::vector<std::uint16_t> endOffsets;
    std::vector<std::uint16_t> endSlots;
    // Per particle of the world, its place here: those with constraints
    // first, fewest first, two to a pair; then those without.
    std::vector<int> place;
    std::size_t pairCount = 0;
    std::vector<int> pairStart; // per pair, and one past the last
    // Per pair: 1 / each one's constraint count, over its four.
    std::vector<double, CacheLineAllocator<double>> pairScale;
};
