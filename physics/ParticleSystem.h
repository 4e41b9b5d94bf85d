#pragma once

#include <memory>
#include <vector>

#include "physics/AirForceLaw.h"
#include "physics/ConstraintSolver.h"
#include "physics/DistanceConstraint.h"
#include "physics/DynamicSystem.h"
#include "physics/JacobiWorkingSet.h"

// The simulation world: position Verlet in fixed steps, rigid distance
// constraints relaxed 55 times per step, air forces on wing triangles and
// fully inelastic contact with the terrain.
class ParticleSystem : public DynamicSystem {
public:
    static constexpr int kRelaxationIterations = 55;

    // The classic world: the air pushes along each triangle's normal and the
    // constraints are relaxed by 55 Jacobi passes.
    ParticleSystem(double gravity, int stepsPerSecond);
    // A world with its own air force and constraint solver; null keeps the
    // classic one.
    ParticleSystem(double gravity, int stepsPerSecond, std::unique_ptr<AirForceLaw> airForce,
                   std::unique_ptr<ConstraintSolver> solver);
    ~ParticleSystem() override;

    void computeForces() override;
    void prepare() override;
    void step() override;
    Vector3D velocityOf(const Particle& particle) const override;

    // Returns the constraint's index in the relaxation order.
    int addConstraint(const DistanceConstraint& constraint);
    DistanceConstraint& constraintAt(int index) { return constraints[static_cast<std::size_t>(index)]; }
    const DistanceConstraint& constraintAt(int index) const {
        return constraints[static_cast<std::size_t>(index)];
    }
    int constraintCount() const { return static_cast<int>(constraints.size()); }
    int constraintCountOf(int particleIndex) const {
        return constraintCounts[static_cast<std::size_t>(particleIndex)];
    }

    // Moves every particle rigidly by `displacement` and stops it.
    void translate(const Vector3D& displacement);
    // Gives every particle, where it is now, the same `velocity` (m/s).
    void setVelocity(const Vector3D& velocity);
    // Puts particle i at positions[i] (every one, in index order), at rest
    // there: a recorded shape shown as it was, not flown into.
    void placeParticles(const Vector3D* positions);

    // For the replaceable parts: during the step, the positions being
    // predicted and solved (between steps, the positions before the last
    // step); and the per-particle force accumulators.
    Vector3D* workingPositions() { return previousPositions.data(); }
    const Vector3D* workingPositions() const { return previousPositions.data(); }
    Vector3D* forceAccumulators() { return accumulators.data(); }
    AirForceLaw& airForceLaw() { return *airForce; }
    ConstraintSolver& constraintSolver() { return *solver; }

    // The individual phases of a step, in the order step() runs them.
    void applySpringForces();
    void applyAirForces();
    void predictPositions();
    // The classic relaxation works on its own copy of the working positions,
    // taken by beginRelaxation and given back by endRelaxation; in between,
    // each pass is relaxConstraints then applyCorrections (which also holds
    // the anchored particles).
    void beginRelaxation();
    void relaxConstraints();
    void applyCorrections();
    // That many passes of relaxConstraints then applyCorrections.
    void relaxPasses(int passes);
    void endRelaxation();
    // Puts the anchored particles' working positions where they are held.
    void applyAnchors();
    void resolveContactAndCommit();

private:
    std::unique_ptr<AirForceLaw> airForce;
    std::unique_ptr<ConstraintSolver> solver;
    std::vector<DistanceConstraint> constraints;
    // Between steps: positions before the last step. During a step: the new
    // positions being predicted and relaxed.
    std::vector<Vector3D> previousPositions;
    std::vector<int> constraintCounts;

    JacobiWorkingSet relaxation;
};
