#pragma once

#include "glider/Glider.h"
#include "physics/ParticleSystem.h"
#include "terrain/HeightField.h"

namespace flight {

// The pilot's state after `step` steps, as the status line shows it.
struct FlightSample {
    int step = 0;
    double time = 0.0;          // (unit: seconds) step × 0.01
    Vector3D position;          // (unit: metres) the pilot particle's
    Vector3D velocity;          // (unit: m/s) mean over the last step
    double speed = 0.0;         // (unit: m/s) length of the velocity
    double terrainHeight = 0.0; // (unit: metres) ground height under the pilot
    Vector3D air;               // (unit: m/s) the air's velocity at the pilot, when asked for
};

FlightSample samplePilot(const Glider& glider, const ParticleSystem& world, const HeightField& terrain, int step);

// True if every number of the sample is finite.
bool isFinite(const FlightSample& sample);
// The world index of the first particle whose position is not finite, else -1.
// Checked after every step: a few comparisons per particle, no allocation.
int firstNonFiniteParticle(const ParticleSystem& world);
// (unit: m/s) the air the world flies in, at the pilot, now.
Vector3D airAtPilot(const Glider& glider, const ParticleSystem& world);

// The ground contact leaves a grounded particle exactly at the terrain height.
bool pilotRestsOnGround(const Glider& glider, const HeightField& terrain);

} // namespace flight
