#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "physics/JacobiWorkingSet.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

constexpr int kParticles = 23;
constexpr int kPasses = 55;

// A tangle of constraints, far from their rest lengths, between particles of
// three masses (so both equal- and unequal-mass constraints), with one
// particle held by an anchor and the last joined to nothing, sitting at -0.0.
struct Tangle {
    int particleCount;
    std::vector<Particle> particles = std::vector<Particle>(static_cast<std::size_t>(particleCount));
    std::vector<DistanceConstraint> constraints;
    std::vector<int> counts = std::vector<int>(static_cast<std::size_t>(particleCount), 0);
    std::vector<Anchor> anchors;
    std::vector<Vector3D> positions;

    Tangle(int constraintCount, int particleCount_) : particleCount(particleCount_) {
        unsigned state = 20261207u;
        const auto next = [&] {
            state = state * 1664525u + 1013904223u;
            return static_cast<int>(state >> 8);
        };
        const auto unit = [&] { return static_cast<double>(next() % 100000) / 100000.0; };
        const double masses[] = {0.3, 45.0 / 46.0, 0.3, 80.0};
        for (int i = 0; i < particleCount; ++i) {
            particles[i].index = i;
            particles[i].mass = masses[i % 4];
            particles[i].position = Vector3D(4.0 * unit(), 4.0 * unit(), 4.0 * unit());
        }
        particles[particleCount - 1].position = Vector3D(-0.0, 1.0, -0.0);
        for (int c = 0; c < constraintCount; ++c) {
            const int a = next() % (particleCount - 1);
            const int b = (a + 1 + next() % (particleCount - 2)) % (particleCount - 1);
            DistanceConstraint constraint = DistanceConstraint::make(particles[a], particles[b]);
            constraint.restLength *= 0.7 + 0.6 * unit();
            constraints.push_back(constraint);
            ++counts[a];
            ++counts[b];
        }
        anchors.push_back(Anchor{Vector3D(1.0, 2.0, 3.0), &particles[5]});
        for (const Particle& p : particles) {
            positions.push_back(p.position);
        }
    }
};

// The relaxation pass written the plain way: constraints in registration
// order, each particle's corrections summed as they come from +0.0, then
// the mean applied and the anchors put back.
void referencePass(const Tangle& tangle, std::vector<Vector3D>& p) {
    std::vector<Vector3D> sum(p.size(), Vector3D(0.0, 0.0, 0.0));
    for (const DistanceConstraint& c : tangle.constraints) {
        const std::size_t a = static_cast<std::size_t>(c.a->index);
        const std::size_t b = static_cast<std::size_t>(c.b->index);
        const Vector3D d(p[a].x - p[b].x, p[a].y - p[b].y, p[a].z - p[b].z);
        const double len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        const double k = (len - c.restLength) / (len * c.inverseMassSum);
        sum[a] -= d * (k / c.a->mass);
        sum[b] += d * (k / c.b->mass);
    }
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (tangle.counts[i] != 0) {
            p[i] += sum[i] * (1.0 / static_cast<double>(tangle.counts[i]));
        }
    }
    for (const Anchor& anchor : tangle.anchors) {
        p[static_cast<std::size_t>(anchor.particle->index)] = anchor.position;
    }
}

bool sameBits(const Vector3D& a, const Vector3D& b) {
    const double x[] = {a.x, a.y, a.z};
    const double y[] = {b.x, b.y, b.z};
    return std::memcmp(x, y, sizeof x) == 0;
}

} // namespace

// Two steps of 55 passes, a rest length rewritten between them as steering
// does, in every instruction set the processor has, pass by pass and all at
// once: the reordered, padded,
// pipelined and vectorised arithmetic gives the plain formula's bits, and
// nothing in it traps. The tangles range from one constraint to many, so
// the vectors of each mass group run from none or one (the pipeline only
// filling and draining) to more than the pipeline holds, and neither group
// fills whole vectors; the last has more particles than the wide pass's
// packed indices can name. Held by an anchor, the tangle is relaxed pass by
// pass; free, all at once.
TEST(JacobiWorkingSet, RelaxesToTheSameBitsAsThePlainPassInEveryForm) {
    FloatingPointTraps traps;
    const std::pair<int, int> sizes[] = {{1, kParticles},  {5, kParticles},  {13, kParticles},
                                         {29, kParticles}, {61, kParticles}, {97, kParticles},
                                         {61, 20000}};
    for (const auto& [constraintCount, particleCount] : sizes) {
        for (const InstructionSet level : {InstructionSet::Baseline, InstructionSet::Avx2, InstructionSet::Avx512}) {
            if (level > processorInstructionSet()) {
                continue;
            }
            for (const bool anchored : {true, false}) {
                SCOPED_TRACE(std::string(instructionSetName(level)) + ", " +
                             (anchored ? "anchored, " : "free, ") + std::to_string(constraintCount) +
                             " constraints, " + std::to_string(particleCount) + " particles");
                Tangle tangle(constraintCount, particleCount);
                if (!anchored) {
                    tangle.anchors.clear();
                }
                std::vector<Vector3D> expected = tangle.positions;
                std::vector<Vector3D> actual = tangle.positions;
                JacobiWorkingSet relaxation;
                relaxation.useInstructionSet(level);
                relaxation.build(static_cast<std::size_t>(particleCount), tangle.constraints, tangle.counts);
                for (int step = 0; step < 2; ++step) {
                    if (step == 1) {
                        tangle.constraints.back().restLength *= 0.5;
                    }
                    relaxation.load(actual.data(), tangle.constraints);
                    if (anchored) {
                        for (int pass = 0; pass < kPasses; ++pass) {
                            relaxation.relax();
                            relaxation.applyCorrections(tangle.anchors);
                        }
                    } else {
                        relaxation.relaxPasses(kPasses, tangle.anchors);
                    }
                    for (int pass = 0; pass < kPasses; ++pass) {
                        referencePass(tangle, expected);
                    }
                    relaxation.store(actual.data());
                }
                for (int i = 0; i < particleCount; ++i) {
                    EXPECT_TRUE(sameBits(actual[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)]))
                        << "particle " << i;
                }
                if (anchored) {
                    EXPECT_EQ(actual[5], Vector3D(1.0, 2.0, 3.0)) << "held by its anchor";
                }
                EXPECT_TRUE(std::signbit(actual[static_cast<std::size_t>(particleCount - 1)].x))
                    << "joined to nothing, it keeps even its -0.0";
                EXPECT_NE(actual, tangle.positions) << "the tangle did relax";
            }
        }
    }
}
