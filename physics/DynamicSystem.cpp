#include "physics/DynamicSystem.h"

namespace {
// Standard sea-level air, the coefficient of the aerodynamic force.
constexpr double kAirDensity = 1.294217666; // (unit: kg/m³)
} // namespace

DynamicSystem::DynamicSystem(double gravity_, int stepsPerSecond)
    : timeStep(1.0 / static_cast<double>(stepsPerSecond)),
      gravity(gravity_),
      wind(0.0, 0.0, 0.0),
      airDensity(kAirDensity) {}

DynamicSystem::~DynamicSystem() = default;

void DynamicSystem::computeForces() {
    // The accumulators are zero on entry: the previous consumer cleared them.
    for (std::size_t i = 0; i < particles.size(); ++i) {
        accumulators[i].z -= particles[i]->mass * gravity;
    }
}

void DynamicSystem::prepare() {
    const std::size_t n = particles.size();
    accumulators.assign(n, Vector3D(0.0, 0.0, 0.0));
    stepsTaken = 0;
    for (std::size_t i = 0; i < n; ++i) {
        particles[i]->index = static_cast<int>(i);
    }
}
