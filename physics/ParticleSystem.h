#pragma once

#include <memory>
#include <vector>

#include "physics/AirForceLaw.h"
#include "physics/ConstraintSolver.h"
#include "physics/DistanceConstraint.h"
#include "physics/DynamicSystem.h"

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
    void relaxConstraints();
    void applyCorrections();
    void applyAnchors();
    void resolveContactAndCommit();

private:
    void prepareRelaxation();

    std::unique_ptr<AirForceLaw> airForce;
    std::unique_ptr<ConstraintSolver> solver;
    std::vector<DistanceConstraint> constraints;
    // Between steps: positions before the last step. During a step: the new
    // positions being predicted and relaxed.
    std::vector<Vector3D> previousPositions;
    std::vector<int> constraintCounts;

    // The relaxation's working set, laid out as flat arrays in prepare so the
    // 55 passes of a step read contiguous memory instead of chasing particle
    // pointers. Masses and inverse mass sums are copies of values fixed at
    // registration; rest lengths are read from the constraints every pass,
    // since steering rewrites them.
    std::vector<int> indexA;             // per constraint
    std::vector<int> indexB;
    std::vector<double> massA;           // (unit: kg)
    std::vector<double> massB;           // (unit: kg)
    std::vector<double> inverseMassSums; // (unit: 1/kg)
    std::vector<double> correctionX;     // (unit: m) slot 2c: of constraint c's a; 2c + 1: of its b
    std::vector<double> correctionY;
    std::vector<double> correctionZ;
    std::vector<int> incidenceStart;     // per particle: its first entry in incidence
    std::vector<int> incidence;          // correction slots, per particle in constraint order
    std::vector<double> correctionScale; // 1 / constraint count, per particle
};
