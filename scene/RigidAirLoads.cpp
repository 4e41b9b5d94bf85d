#include "scene/RigidAirLoads.h"

#include <vector>

namespace start {

AirLoads rigidAirLoads(ParticleSystem& world, const Vector3D& centre, const Vector3D& velocity,
                       const Vector3D& angularVelocity) {
    const int n = world.particleCount();
    Vector3D* last = world.workingPositions();
    Vector3D* accumulators = world.forceAccumulators();
    const std::vector<Vector3D> kept(last, last + n);

    // The air law reads each particle's velocity as its last step's
    // displacement: give every particle the rigid motion's.
    const double step = world.timeStepSeconds();
    for (int i = 0; i < n; ++i) {
        const Vector3D& p = world.particleAt(i).position;
        last[i] = p - (velocity + angularVelocity.cross(p - centre)) * step;
        accumulators[i] = Vector3D(0.0, 0.0, 0.0);
    }
    world.computeForces();

    AirLoads loads;
    for (int i = 0; i < n; ++i) {
        const Particle& p = world.particleAt(i);
        // Less the weight computeForces added; internal springs pull in
        // pairs along their line and add neither force nor moment.
        const Vector3D air = accumulators[i] + Vector3D(0.0, 0.0, p.mass * world.gravityAcceleration());
        loads.force += air;
        loads.moment += (p.position - centre).cross(air);
        accumulators[i] = Vector3D(0.0, 0.0, 0.0);
        last[i] = kept[static_cast<std::size_t>(i)];
    }
    return loads;
}

Vector3D massCentre(const ParticleSystem& world) {
    Vector3D sum(0.0, 0.0, 0.0);
    double mass = 0.0;
    for (int i = 0; i < world.particleCount(); ++i) {
        const Particle& p = world.particleAt(i);
        sum += p.position * p.mass;
        mass += p.mass;
    }
    return sum * (1.0 / mass);
}

} // namespace start
