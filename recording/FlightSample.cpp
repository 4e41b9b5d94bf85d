#include "recording/FlightSample.h"

#include <cmath>

#include "scene/StartScene.h"

namespace flight {

FlightSample samplePilot(const Glider& glider, const ParticleSystem& world, const HeightField& terrain, int step) {
    const Particle& pilot = glider.pilotParticle();
    FlightSample sample;
    sample.step = step;
    sample.time = static_cast<double>(step) * start::kSecondsPerStep;
    sample.position = pilot.position;
    sample.velocity = world.velocityOf(pilot);
    sample.speed = sample.velocity.length();
    sample.terrainHeight = terrain.heightAt(pilot.position.x, pilot.position.y);
    return sample;
}

namespace {

bool isFinite(const Vector3D& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

} // namespace

bool isFinite(const FlightSample& sample) {
    return isFinite(sample.position) && isFinite(sample.velocity) && std::isfinite(sample.speed) &&
           std::isfinite(sample.terrainHeight);
}

int firstNonFiniteParticle(const ParticleSystem& world) {
    for (int i = 0; i < world.particleCount(); ++i) {
        if (!isFinite(world.particleAt(i).position)) {
            return i;
        }
    }
    return -1;
}

Vector3D airAtPilot(const Glider& glider, const ParticleSystem& world) {
    return world.airField().velocityAt(glider.pilotParticle().position, world.simulatedTime());
}

bool pilotRestsOnGround(const Glider& glider, const HeightField& terrain) {
    const Vector3D& position = glider.pilotParticle().position;
    return position.z == terrain.heightAt(position.x, position.y);
}

} // namespace flight
