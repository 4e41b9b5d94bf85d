#include "physics/JacobiWorkingSet.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {

// The loops below run over flat arrays that do not overlap, so the compiler
// vectorises them (with the wider vector units where the processor has them,
// picked at load time). Square root and division are correctly rounded in
// every lane and nothing is fused, so each lane gives the scalar formula's bits.

// Constraints whose ends have the same mass: k / mass is the same division
// for both ends, done once.
__attribute__((target_clones("avx512f", "avx2", "default"))) void relaxEqualMasses(
    std::size_t count, const double* __restrict x, const double* __restrict y, const double* __restrict z,
    const int* __restrict slotA, const int* __restrict slotB, const double* __restrict restLength,
    const double* __restrict inverseMassSum, const double* __restrict mass, double* __restrict correctionX,
    double* __restrict correctionY, double* __restrict correctionZ, std::size_t stride) {
    for (std::size_t c = 0; c < count; ++c) {
        const int a = slotA[c];
        const int b = slotB[c];
        const double dx = x[a] - x[b];
        const double dy = y[a] - y[b];
        const double dz = z[a] - z[b];
        const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double k = (len - restLength[c]) / (len * inverseMassSum[c]);
        const double q = k / mass[c];
        // a's correction is subtracted: adding the product with the negated
        // factor rounds exactly as subtracting the product does.
        correctionX[c] = dx * -q;
        correctionY[c] = dy * -q;
        correctionZ[c] = dz * -q;
        correctionX[stride + c] = dx * q;
        correctionY[stride + c] = dy * q;
        correctionZ[stride + c] = dz * q;
    }
}

__attribute__((target_clones("avx512f", "avx2", "default"))) void relaxUnequalMasses(
    std::size_t begin, std::size_t end, const double* __restrict x, const double* __restrict y,
    const double* __restrict z, const int* __restrict slotA, const int* __restrict slotB,
    const double* __restrict restLength, const double* __restrict inverseMassSum, const double* __restrict massA,
    const double* __restrict massB, double* __restrict correctionX, double* __restrict correctionY,
    double* __restrict correctionZ, std::size_t stride) {
    for (std::size_t c = begin; c < end; ++c) {
        const int a = slotA[c];
        const int b = slotB[c];
        const double dx = x[a] - x[b];
        const double dy = y[a] - y[b];
        const double dz = z[a] - z[b];
        const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
        const double k = (len - restLength[c]) / (len * inverseMassSum[c]);
        const double scaleA = -(k / massA[c]);
        const double scaleB = k / massB[c];
        correctionX[c] = dx * scaleA;
        correctionY[c] = dy * scaleA;
        correctionZ[c] = dz * scaleA;
        correctionX[stride + c] = dx * scaleB;
        correctionY[stride + c] = dy * scaleB;
        correctionZ[stride + c] = dz * scaleB;
    }
}

// Each slot's corrections summed in registration order from +0.0, a block
// of slots at a time so the lanes of one vector are neighbouring slots.
__attribute__((target_clones("avx512f", "avx2", "default"))) void sumCorrections(
    std::size_t blocks, const int* __restrict blockStart, const int* __restrict blockDepth,
    const int* __restrict incident, const double* __restrict correctionX, const double* __restrict correctionY,
    const double* __restrict correctionZ, double* __restrict sumX, double* __restrict sumY,
    double* __restrict sumZ) {
    constexpr std::size_t lanes = JacobiWorkingSet::kLanes;
    for (std::size_t block = 0; block < blocks; ++block) {
        double sx[lanes] = {};
        double sy[lanes] = {};
        double sz[lanes] = {};
        const int* entry = incident + blockStart[block];
        const int depth = blockDepth[block];
        for (int k = 0; k < depth; ++k, entry += lanes) {
            for (std::size_t lane = 0; lane < lanes; ++lane) {
                const int e = entry[lane];
                sx[lane] += correctionX[e];
                sy[lane] += correctionY[e];
                sz[lane] += correctionZ[e];
            }
        }
        for (std::size_t lane = 0; lane < lanes; ++lane) {
            sumX[block * lanes + lane] = sx[lane];
            sumY[block * lanes + lane] = sy[lane];
            sumZ[block * lanes + lane] = sz[lane];
        }
    }
}

__attribute__((target_clones("avx512f", "avx2", "default"))) void moveByMeans(
    std::size_t count, const double* __restrict scale, const double* __restrict sumX,
    const double* __restrict sumY, const double* __restrict sumZ, double* __restrict x, double* __restrict y,
    double* __restrict z) {
    for (std::size_t i = 0; i < count; ++i) {
        x[i] += sumX[i] * scale[i];
        y[i] += sumY[i] * scale[i];
        z[i] += sumZ[i] * scale[i];
    }
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

void JacobiWorkingSet::build(std::size_t particleCount_, const std::vector<DistanceConstraint>& constraints,
                             const std::vector<int>& constraintCounts) {
    particleCount = particleCount_;
    constraintCount = constraints.size();

    // Slots: most constraints first, ties in particle order.
    const std::size_t blocks = (particleCount + kLanes - 1) / kLanes;
    const std::size_t slots = blocks * kLanes;
    particleOfSlot.resize(particleCount);
    std::iota(particleOfSlot.begin(), particleOfSlot.end(), 0);
    std::stable_sort(particleOfSlot.begin(), particleOfSlot.end(), [&](int p, int q) {
        return constraintCounts[static_cast<std::size_t>(p)] > constraintCounts[static_cast<std::size_t>(q)];
    });
    slotOfParticle.assign(particleCount, 0);
    constrainedCount = 0;
    for (std::size_t s = 0; s < particleCount; ++s) {
        const std::size_t p = static_cast<std::size_t>(particleOfSlot[s]);
        slotOfParticle[p] = static_cast<int>(s);
        if (constraintCounts[p] != 0) {
            constrainedCount = s + 1;
        }
    }
    x.assign(slots, 0.0);
    y.assign(slots, 0.0);
    z.assign(slots, 0.0);
    // The mean multiplies by the rounded reciprocal of the count; forming it
    // once gives the same bits.
    correctionScale.assign(slots, 0.0);
    for (std::size_t s = 0; s < constrainedCount; ++s) {
        correctionScale[s] =
            1.0 / static_cast<double>(constraintCounts[static_cast<std::size_t>(particleOfSlot[s])]);
    }

    // Solving order: equal masses first, each group in registration order.
    std::vector<std::size_t> order(constraintCount);
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto equalMasses = [&](std::size_t c) { return sameBits(constraints[c].a->mass, constraints[c].b->mass); };
    std::stable_partition(order.begin(), order.end(), equalMasses);
    equalMassCount = static_cast<std::size_t>(std::count_if(order.begin(), order.end(), equalMasses));
    slotA.resize(constraintCount);
    slotB.resize(constraintCount);
    sourceConstraint.resize(constraintCount);
    restLength.assign(constraintCount, 0.0);
    inverseMassSum.resize(constraintCount);
    massA.resize(constraintCount);
    massB.resize(constraintCount);
    std::vector<std::size_t> solvedAt(constraintCount);
    for (std::size_t c = 0; c < constraintCount; ++c) {
        const DistanceConstraint& source = constraints[order[c]];
        solvedAt[order[c]] = c;
        slotA[c] = slotOfParticle[static_cast<std::size_t>(source.a->index)];
        slotB[c] = slotOfParticle[static_cast<std::size_t>(source.b->index)];
        sourceConstraint[c] = static_cast<int>(order[c]);
        inverseMassSum[c] = source.inverseMassSum;
        massA[c] = source.a->mass;
        massB[c] = source.b->mass;
    }
    correctionStride = constraintCount + 1;
    correctionX.assign(2 * correctionStride, 0.0);
    correctionY.assign(2 * correctionStride, 0.0);
    correctionZ.assign(2 * correctionStride, 0.0);

    // Each slot's corrections in registration order, as entries of the
    // correction arrays; the +0.0 entry pads.
    std::vector<std::vector<int>> bySlot(slots);
    for (std::size_t r = 0; r < constraintCount; ++r) {
        const std::size_t c = solvedAt[r];
        bySlot[static_cast<std::size_t>(slotA[c])].push_back(static_cast<int>(c));
        bySlot[static_cast<std::size_t>(slotB[c])].push_back(static_cast<int>(correctionStride + c));
    }
    const int padding = static_cast<int>(constraintCount);
    blockStart.assign(blocks, 0);
    blockDepth.assign(blocks, 0);
    incidentCorrection.clear();
    for (std::size_t block = 0; block < blocks; ++block) {
        std::size_t depth = 0;
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            depth = std::max(depth, bySlot[block * kLanes + lane].size());
        }
        blockStart[block] = static_cast<int>(incidentCorrection.size());
        blockDepth[block] = static_cast<int>(depth);
        for (std::size_t k = 0; k < depth; ++k) {
            for (std::size_t lane = 0; lane < kLanes; ++lane) {
                const std::vector<int>& incident = bySlot[block * kLanes + lane];
                incidentCorrection.push_back(k < incident.size() ? incident[k] : padding);
            }
        }
    }
    sumX.assign(slots, 0.0);
    sumY.assign(slots, 0.0);
    sumZ.assign(slots, 0.0);
}

void JacobiWorkingSet::load(const Vector3D* positions, const std::vector<DistanceConstraint>& constraints) {
    for (std::size_t s = 0; s < particleCount; ++s) {
        const Vector3D& p = positions[particleOfSlot[s]];
        x[s] = p.x;
        y[s] = p.y;
        z[s] = p.z;
    }
    for (std::size_t c = 0; c < constraintCount; ++c) {
        restLength[c] = constraints[static_cast<std::size_t>(sourceConstraint[c])].restLength;
    }
}

void JacobiWorkingSet::relax() {
    relaxEqualMasses(equalMassCount, x.data(), y.data(), z.data(), slotA.data(), slotB.data(), restLength.data(),
                     inverseMassSum.data(), massA.data(), correctionX.data(), correctionY.data(),
                     correctionZ.data(), correctionStride);
    relaxUnequalMasses(equalMassCount, constraintCount, x.data(), y.data(), z.data(), slotA.data(), slotB.data(),
                       restLength.data(), inverseMassSum.data(), massA.data(), massB.data(), correctionX.data(),
                       correctionY.data(), correctionZ.data(), correctionStride);
}

void JacobiWorkingSet::applyCorrections(const std::vector<Anchor>& anchors) {
    sumCorrections(blockDepth.size(), blockStart.data(), blockDepth.data(), incidentCorrection.data(),
                   correctionX.data(), correctionY.data(), correctionZ.data(), sumX.data(), sumY.data(),
                   sumZ.data());
    // A particle without constraints keeps its place: not even +0.0 is
    // added, which would turn a -0.0 coordinate into +0.0.
    moveByMeans(constrainedCount, correctionScale.data(), sumX.data(), sumY.data(), sumZ.data(), x.data(), y.data(),
                z.data());
    for (const Anchor& anchor : anchors) {
        const std::size_t s = static_cast<std::size_t>(slotOfParticle[static_cast<std::size_t>(anchor.particle->index)]);
        x[s] = anchor.position.x;
        y[s] = anchor.position.y;
        z[s] = anchor.position.z;
    }
}

void JacobiWorkingSet::store(Vector3D* positions) const {
    for (std::size_t s = 0; s < particleCount; ++s) {
        positions[particleOfSlot[s]] = Vector3D(x[s], y[s], z[s]);
    }
}
