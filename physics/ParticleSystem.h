#pragma once

#include <vector>

#include "physics/DistanceConstraint.h"
#include "physics/DynamicSystem.h"

// The simulation world: position Verlet in fixed steps, rigid distance
// constraints relaxed 55 times per step, air forces on wing triangles and
// fully inelastic contact with the terrain.
class ParticleSystem : public DynamicSystem {
public:
    static constexpr int kRelaxationIterations = 55;

    ParticleSystem(double gravity, int stepsPerSecond);
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

    // The individual phases of a step, in the order step() runs them.
    void applySpringForces();
    void applyAirForces();
    void predictPositions();
    void relaxConstraints();
    void applyCorrections();
    void applyAnchors();
    void resolveContactAndCommit();

private:
    std::vector<DistanceConstraint> constraints;
    // Between steps: positions before the last step. During a step: the new
    // positions being predicted and relaxed.
    std::vector<Vector3D> previousPositions;
    std::vector<int> constraintCounts;
};
