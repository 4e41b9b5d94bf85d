#pragma once

class ParticleSystem;

// How the air pushes on a world: a replaceable part chosen when the world is
// built. The world calls it once per step, in its force phase, after gravity
// and springs, to add the air's forces to the accumulators.
class AirForceLaw {
public:
    virtual ~AirForceLaw() = default;
    // Once, at the end of the world's prepare: size whatever it keeps per
    // particle or triangle.
    virtual void prepare(ParticleSystem& world) { (void)world; }
    virtual void addForces(ParticleSystem& world) = 0;
};
