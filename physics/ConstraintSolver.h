#pragma once

class ParticleSystem;

// How a world restores its distance constraints inside a step: a replaceable
// part chosen when the world is built. The world calls it once per step,
// between the Verlet prediction and the contact phase; it moves the predicted
// positions (ParticleSystem::workingPositions) and nothing else.
class ConstraintSolver {
public:
    virtual ~ConstraintSolver() = default;
    // Once, at the end of the world's prepare.
    virtual void prepare(ParticleSystem& world) { (void)world; }
    virtual void solve(ParticleSystem& world) = 0;
};
