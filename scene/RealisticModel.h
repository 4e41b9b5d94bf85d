#pragma once

#include <memory>

#include "glider/Glider.h"
#include "physics/ParticleSystem.h"

namespace start {

// The realistic world: the sail's lift and drag law and the mass-weighted
// solver, at most `iterations` solver passes per step.
std::unique_ptr<ParticleSystem> makeRealisticWorld(int iterations);
// Once the glider is registered, before prepare: tells the world's parts
// which triangles are sail panels and where their leading edges run, where
// the keel pocket and the bluff bodies are, and which particles mirror which.
void fitRealisticParts(const Glider& glider, ParticleSystem& world);
// The cap on solver passes per step; false if the world's solver has none
// (the classic relaxation always runs its 55).
bool setSolverIterations(ParticleSystem& world, int iterations);

} // namespace start
