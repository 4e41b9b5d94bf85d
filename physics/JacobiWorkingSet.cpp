#include "physics/JacobiWorkingSet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numeric>


namespace {

// x, y, z and 0 as one vector, as the working set keeps points.
typedef double Quad __attribute__((vector_size(4 * sizeof(double)), aligned(alignof(double))));

template <typename Values>
Quad* quads(Values& values) { return reinterpret_cast<Quad*>(values.data()); }

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

const JacobiKernels& jacobiKernels(InstructionSet level) {
    switch (level) {
#if defined(__x86_64__)
    case InstructionSet::Avx512:
        return kJacobiAvx512;
    case InstructionSet::Avx2:
        return kJacobiAvx2;
#endif
    default:
        return kJacobiBaseline;
    }
}

void JacobiWorkingSet::useInstructionSet(InstructionSet wanted) {
    level = std::min(wanted, processorInstructionSet());
    kernels = &jacobiKernels(level);
}

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
    endOffsets.resize(2 * solved);
    endSlots.resize(2 * solved);
    packed = true;
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
        packed = packed && std::max({offsetA[c], offsetB[c], slotA[c], slotB[c]}) <= 0xffff;
        endOffsets[2 * c] = static_cast<std::uint16_t>(offsetA[c]);
        endOffsets[2 * c + 1] = static_cast<std::uint16_t>(offsetB[c]);
        endSlots[2 * c] = static_cast<std::uint16_t>(slotA[c]);
        endSlots[2 * c + 1] = static_cast<std::uint16_t>(slotB[c]);
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

JacobiPass JacobiWorkingSet::pass() {
    return JacobiPass{offsetA.size(),      equalMassCount,    packed,      positions.data(),
                      offsetA.data(),      offsetB.data(),    endOffsets.data(), restLength.data(),
                      inverseMassSum.data(), massA.data(),    massB.data(),      difference.data(),
                      scaleA.data(),       scaleB.data(),     slotA.data(),      slotB.data(),
                      endSlots.data(),     corrections.data(), pairCount,        pairStart.data(),
                      pairScale.data()};
}

void JacobiWorkingSet::relax() { kernels->relax(pass()); }

void JacobiWorkingSet::relaxPasses(int passes, const std::vector<Anchor>& anchors) {
    if (anchors.empty()) {
        kernels->relaxPasses(pass(), passes);
        return;
    }
    for (int i = 0; i < passes; ++i) {
        relax();
        applyCorrections(anchors);
    }
}

void JacobiWorkingSet::applyCorrections(const std::vector<Anchor>& anchors) {
    kernels->moveByMeans(pass());
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
