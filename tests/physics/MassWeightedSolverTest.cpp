// The mass-weighted solver: internal corrections keep momentum, compliance
// is a material property, mirror pairs keep symmetry, the ground holds.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "physics/Anchor.h"
#include "physics/MassWeightedSolver.h"
#include "physics/ParticleSystem.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

Particle at(const Vector3D& position, double mass, bool ignoresTerrain = true) {
    Particle p;
    p.position = position;
    p.mass = mass;
    p.ignoresTerrain = ignoresTerrain;
    return p;
}

std::unique_ptr<ParticleSystem> solverWorld(double gravity, int iterations, double compliance = 1e-7,
                                            double spectralRadius = 0.0) {
    MassWeightedSolver::Settings settings;
    settings.maxIterations = iterations;
    settings.compliance = compliance;
    settings.spectralRadius = spectralRadius;
    settings.tolerance = 0.0; // every iteration runs
    return std::make_unique<ParticleSystem>(gravity, 100, nullptr, std::make_unique<MassWeightedSolver>(settings));
}

Vector3D momentum(const ParticleSystem& world) {
    Vector3D sum(0.0, 0.0, 0.0);
    for (int i = 0; i < world.particleCount(); ++i) {
        sum += world.velocityOf(world.particleAt(i)) * world.particleAt(i).mass;
    }
    return sum;
}

} // namespace

TEST(MassWeightedSolver, AFreeTumblingBodyKeepsItsMomentumWithOrWithoutAcceleration) {
    FloatingPointTraps traps;
    for (const double spectralRadius : {0.0, 0.97}) {
    // A braced tetrahedron of very unequal masses, every constraint off its
    // rest length and every particle moving its own way: only internal
    // corrections act.
    std::vector<Particle> p = {at({0, 0, 0}, 80.0), at({1.3, 0.1, 0}, 0.4), at({0.2, 1.1, 0.3}, 2.0),
                               at({0.4, 0.3, 1.7}, 0.4)};
    auto world = solverWorld(0.0, 20, 1e-7, spectralRadius);
    for (Particle& q : p) {
        world->addParticle(&q);
    }
    for (std::size_t a = 0; a < p.size(); ++a) {
        for (std::size_t b = a + 1; b < p.size(); ++b) {
            DistanceConstraint c = DistanceConstraint::make(p[a], p[b]);
            c.restLength *= 0.9 + 0.05 * static_cast<double>(a + b);
            world->addConstraint(c);
        }
    }
    world->prepare();
    const Vector3D spins[] = {{0.1, -0.3, 0.2}, {3.0, 1.0, -2.0}, {-1.0, 2.5, 0.5}, {0.5, -4.0, 3.0}};
    for (int i = 0; i < 4; ++i) {
        p[static_cast<std::size_t>(i)].position += spins[i] * 0.01; // Verlet velocity: the last step's move
    }
    // Momentum of the particles as set (positions moved, previous ones kept).
    const Vector3D before = momentum(*world);
    for (int step = 0; step < 200; ++step) {
        world->step();
        const Vector3D now = momentum(*world);
        ASSERT_NEAR(now.x, before.x, 1e-9) << step;
        ASSERT_NEAR(now.y, before.y, 1e-9) << step;
        ASSERT_NEAR(now.z, before.z, 1e-9) << step;
    }
    }
}

// A heavy load slung from a long line of light particles between two
// anchors: the error left after a fixed number of plain passes is large and
// smooth along the line, the case Chebyshev acceleration is for.
double sagError(double spectralRadius) {
    constexpr int kCount = 17;
    std::vector<Particle> line;
    line.reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
        line.push_back(at({static_cast<double>(i) * 0.5, 0.0, 0.0}, i == kCount / 2 ? 80.0 : 0.4));
    }
    auto world = solverWorld(9.80665, 20, 1e-7, spectralRadius);
    for (Particle& q : line) {
        world->addParticle(&q);
    }
    for (int i = 0; i + 1 < kCount; ++i) {
        DistanceConstraint c = DistanceConstraint::make(line[static_cast<std::size_t>(i)],
                                                        line[static_cast<std::size_t>(i + 1)]);
        c.restLength = 0.55; // slack: the line sags into a V under the load
        world->addConstraint(c);
    }
    world->addAnchor(Anchor{line.front().position, &line.front()});
    world->addAnchor(Anchor{line.back().position, &line.back()});
    world->prepare();
    double worst = 0.0;
    for (int step = 0; step < 600; ++step) {
        world->step();
        if (step >= 300) { // swung out and settling: the line carries the load
            for (int c = 0; c < world->constraintCount(); ++c) {
                const DistanceConstraint& k = world->constraintAt(c);
                worst = std::max(worst, std::fabs(k.a->position.distanceTo(k.b->position) - k.restLength));
            }
        }
    }
    EXPECT_TRUE(std::isfinite(worst));
    return worst;
}

TEST(MassWeightedSolver, AccelerationShrinksTheErrorLeftBySlowSmoothModes) {
    FloatingPointTraps traps;
    const double plain = sagError(0.0);
    const double accelerated = sagError(0.97);
    EXPECT_GT(plain, 0.01) << "the plain passes should leave this line visibly stretched";
    EXPECT_LT(accelerated, plain / 3.0) << plain << " m plain, " << accelerated << " m accelerated";
}

TEST(MassWeightedSolver, AHangingMassStretchesItsLineByWeightTimesComplianceWhateverTheIterations) {
    FloatingPointTraps traps;
    // A 50 kg mass hanging 1 m below an anchor: at rest the line carries
    // m g and stretches by m g c, however many iterations solve it.
    const double compliance = 1e-5; // (unit: m/N)
    for (int iterations : {5, 20, 100}) {
        Particle top = at({0, 0, 10}, 1e9); // the anchor barely moves inside an iteration
        Particle bob = at({0, 0, 9}, 50.0);
        auto world = solverWorld(9.80665, iterations, compliance);
        world->addParticle(&top);
        world->addParticle(&bob);
        world->addConstraint(DistanceConstraint::make(top, bob));
        world->addAnchor(Anchor{Vector3D(0, 0, 10), &top});
        world->prepare();
        for (int step = 0; step < 3000; ++step) {
            world->step();
        }
        const double stretch = top.position.distanceTo(bob.position) - 1.0;
        EXPECT_NEAR(stretch, 50.0 * 9.80665 * compliance, 1e-6) << iterations << " iterations";
    }
}

TEST(MassWeightedSolver, MirrorImagePairsKeepASymmetricBodySymmetricToTheBit) {
    FloatingPointTraps traps;
    // A kite: a heavy keel particle on x = 0 and two wing particles mirrored
    // across it, falling with a sideways-symmetric push.
    std::vector<Particle> p = {at({0, 0, 0}, 10.0), at({-1.5, 0.5, 0.2}, 0.7), at({1.5, 0.5, 0.2}, 0.7),
                               at({0, 1.2, 0.4}, 1.0)};
    MassWeightedSolver::Settings settings;
    settings.maxIterations = 7;
    auto solver = std::make_unique<MassWeightedSolver>(settings);
    solver->setMirror({0, 2, 1, 3});
    ParticleSystem world(9.80665, 100, nullptr, std::move(solver));
    for (Particle& q : p) {
        world.addParticle(&q);
    }
    // Deliberately unsymmetric order: a plain Gauss-Seidel pass would favour one side.
    world.addConstraint(DistanceConstraint::make(p[0], p[1]));
    world.addConstraint(DistanceConstraint::make(p[1], p[3]));
    world.addConstraint(DistanceConstraint::make(p[1], p[2]));
    world.addConstraint(DistanceConstraint::make(p[3], p[2]));
    world.addConstraint(DistanceConstraint::make(p[0], p[3]));
    world.addConstraint(DistanceConstraint::make(p[2], p[0]));
    for (int c = 0; c < world.constraintCount(); ++c) {
        world.constraintAt(c).restLength *= 0.97;
    }
    world.prepare();
    for (int step = 0; step < 500; ++step) {
        world.step();
        ASSERT_EQ(p[1].position.x, -p[2].position.x) << step;
        ASSERT_EQ(p[1].position.y, p[2].position.y) << step;
        ASSERT_EQ(p[1].position.z, p[2].position.z) << step;
        ASSERT_EQ(p[0].position.x, 0.0) << step;
    }
}

TEST(MassWeightedSolver, ABodyLandingOnTheGroundStopsThereInOnePiece) {
    FloatingPointTraps traps;
    // A dumbbell dropped tilted at 8 m/s: its low end lands first; inside the
    // iterations the ground holds it, so the bar keeps its length.
    Particle low = at({0, 0, 0.3}, 5.0, false);
    Particle high = at({0.8, 0, 0.9}, 70.0, false);
    auto world = solverWorld(9.80665, 20);
    world->addParticle(&low);
    world->addParticle(&high);
    world->addConstraint(DistanceConstraint::make(low, high));
    world->prepare();
    world->setVelocity(Vector3D(3.0, 0.0, -8.0));
    double worst = 0.0;
    for (int step = 0; step < 500; ++step) {
        world->step();
        worst = std::max(worst, std::fabs(low.position.distanceTo(high.position) - 1.0));
        ASSERT_GE(low.position.z, 0.0);
        ASSERT_GE(high.position.z, 0.0);
    }
    EXPECT_LT(worst, 1e-3);
    EXPECT_EQ(world->velocityOf(low), Vector3D(0.0, 0.0, 0.0));
    EXPECT_EQ(world->velocityOf(high), Vector3D(0.0, 0.0, 0.0));
}
