#include "tools/flight/FlightSample.h"

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

Vector3D airAtPilot(const Glider& glider, const ParticleSystem& world) {
    return world.airField().velocityAt(glider.pilotParticle().position, world.simulatedTime());
}

bool pilotRestsOnGround(const Glider& glider, const HeightField& terrain) {
    const Vector3D& position = glider.pilotParticle().position;
    return position.z == terrain.heightAt(position.x, position.y);
}

} // namespace flight
