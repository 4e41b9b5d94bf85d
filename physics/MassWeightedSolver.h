#pragma once

#include <vector>

#include "physics/ConstraintSolver.h"
#include "physics/MassWeightedSweep.h"
#include "physics/Vector3D.h"

// Gauss-Seidel over the distance constraints, each correction shared in
// inverse proportion to the masses, so every correction is an internal
// impulse pair and the momentum of a free body is kept. Constraints are
// slightly compliant (XPBD): the stiffness is a material property rather
// than an artefact of the iteration count, and iterating stops once the
// largest correction is below a tolerance. Mirror-image constraint pairs are
// solved together from the same positions, so a symmetric body stays
// symmetric. The ground is a constraint too: particles that reach it are
// held on it inside the iterations, so the structure stays whole on landing.
// Anchors hold their particles at the end of every iteration.
class MassWeightedSolver final : public ConstraintSolver {
public:
    struct Settings {
        int maxIterations = 20;
        double compliance = 1e-7;  // (unit: m/N) stretch per newton of tension
        double tolerance = 1e-7;   // (unit: m) the largest correction that ends the iterations
        // Chebyshev acceleration: the passes' estimated convergence rate
        // (0: plain Gauss-Seidel), and the passes run plainly first.
        double spectralRadius = 0.0;
        int accelerationDelay = 5;
    };

    explicit MassWeightedSolver(const Settings& settings);

    // The mirror image of each particle, by the world's particle order (the
    // particle itself on the plane of symmetry); empty: no pairing. Set
    // before prepare.
    void setMirror(std::vector<int> mirrorOf) { mirror = std::move(mirrorOf); }
    // (unit: m/N) per constraint, by the world's constraint order: a softer
    // material than the default for some (a sail's cloth, say). Empty: the
    // default for all. Set before prepare.
    void setCompliances(std::vector<double> perConstraint) { compliances = std::move(perConstraint); }

    void prepare(ParticleSystem& world) override;
    void solve(ParticleSystem& world) override;

    const Settings& settings() const { return config; }
    void setMaxIterations(int iterations) { config.maxIterations = iterations; }
    // Iterations of the last solve.
    int lastIterations() const { return iterationsRun; }

private:
    struct Link {
        int a, b;
        double inverseMassA, inverseMassB; // (unit: 1/kg)
        int constraint; // where its rest length lives
        double alphaTilde; // compliance over the squared step (unit: 1/kg)
    };

    void colourSweep(const ParticleSystem& world);

    Settings config;
    const MassWeightedKernels* kernels;
    std::vector<int> mirror;
    std::vector<double> compliances;
    std::vector<Link> links;          // in the order made, each mirror pair side by side
    std::vector<int> pairedWithNext;  // 1: this link and the next are mirror images, solved together
    // The solving order, colour by colour, in groups of lanes (index s
    // below is a place in it, in group s / kLinkLanes).
    std::vector<int> order;           // link of each place; -1: idle
    std::vector<int> colourStart;     // first group of each colour, and the end
    std::vector<int> colourLinks;     // links of each colour
    std::vector<LinkGroup> groups;
    std::vector<int> constraintOf;    // where each place's rest length lives; -1: idle
    std::vector<double> lambda;       // the step's accumulated multipliers
    std::vector<GroupMoves> moves;    // a colour's corrections between computing and applying them
    // Chebyshev's memory: where this pass and the one before started.
    std::vector<Vector3D> startPositions, olderPositions;
    std::vector<double> startLambda, olderLambda;
    std::vector<double> groundBelow;  // per particle, this step; -inf for those that ignore the ground
    int iterationsRun = 0;
};
