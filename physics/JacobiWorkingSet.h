#pragma once

#include <cstddef>
#include <vector>

#include "physics/Anchor.h"
#include "physics/DistanceConstraint.h"
#include "physics/Vector3D.h"

// The Jacobi relaxation's working set: the positions and constraints of a
// world copied, once per step, into flat arrays laid out for the 55 passes,
// so that each pass is a few straight loops the compiler vectorises.
//
// A pass computes, per constraint, with the positions of the pass's start:
//   d = a - b, len = |d|, k = (len - rest) / (len * inverseMassSum),
//   a's correction = d * -(k / a.mass), b's = d * (k / b.mass);
// then each particle moves by the sum of its corrections, added in
// registration order starting from +0.0, times 1 / its constraint count.
// Every operation, operand and rounding is that of the formula; only the
// order in which independent values are computed and where they are kept
// changes, so the positions come out with the same bits.
class JacobiWorkingSet {
public:
    // Lanes per block of particles: one 512-bit vector of doubles.
    static constexpr std::size_t kLanes = 8;

    // Sizes every array, once. `constraintCounts` is per particle.
    void build(std::size_t particleCount, const std::vector<DistanceConstraint>& constraints,
               const std::vector<int>& constraintCounts);

    // Copies the working positions in, with the rest lengths (steering
    // rewrites them between steps).
    void load(const Vector3D* positions, const std::vector<DistanceConstraint>& constraints);
    // Every constraint's corrections from the current positions.
    void relax();
    // Each particle moves by the mean of its corrections; anchored particles
    // are then put back where they are held.
    void applyCorrections(const std::vector<Anchor>& anchors);
    // Copies the relaxed positions back out.
    void store(Vector3D* positions) const;

private:
    std::size_t particleCount = 0;
    std::size_t constrainedCount = 0; // slots [0, constrainedCount) have constraints
    std::size_t equalMassCount = 0;   // constraints [0, equalMassCount) join equal masses
    std::size_t constraintCount = 0;

    // Particles by slot, most constraints first: blocks of kLanes slots then
    // need few padding entries, since the frame's few heavily joined
    // particles share blocks rather than each widening a block of lightly
    // joined wing particles. Padded to whole blocks.
    std::vector<int> particleOfSlot;
    std::vector<int> slotOfParticle;
    std::vector<double> x; // (unit: m) per slot
    std::vector<double> y;
    std::vector<double> z;
    std::vector<double> correctionScale; // 1 / constraint count, per slot

    // Per constraint, in solving order: the equal-mass ones first, where one
    // division k / mass serves both ends (the pilot's lines, whose ends
    // differ, divide twice).
    std::vector<int> slotA;
    std::vector<int> slotB;
    std::vector<int> sourceConstraint; // its index among the world's constraints
    std::vector<double> restLength;    // (unit: m)
    std::vector<double> inverseMassSum; // (unit: 1/kg)
    std::vector<double> massA;          // (unit: kg)
    std::vector<double> massB;          // (unit: kg)

    // Corrections (unit: m): entry c is constraint c's correction of its a,
    // entry correctionStride + c that of its b. Entries constraintCount and
    // correctionStride + constraintCount stay +0.0: padding reads them.
    std::size_t correctionStride = 0;
    std::vector<double> correctionX;
    std::vector<double> correctionY;
    std::vector<double> correctionZ;

    // Which correction each slot sums, block by block: within block b, entry
    // blockStart[b] + k * kLanes + lane is the k-th of the slot's corrections
    // in registration order, for k < blockDepth[b] (the block's largest
    // constraint count); slots with fewer add +0.0 entries, which leave a
    // sum that started at +0.0 unchanged (such a sum is never -0.0).
    std::vector<int> blockStart;
    std::vector<int> blockDepth;
    std::vector<int> incidentCorrection;
    std::vector<double> sumX; // (unit: m) per slot
    std::vector<double> sumY;
    std::vector<double> sumZ;
};
