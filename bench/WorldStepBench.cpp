#include <benchmark/benchmark.h>

#include "bench/EveryLevel.h"
#include "scene/StartScene.h"

namespace {

// The start glider over the generated terrain, prepared and flown for a second
// so the wing is in its flying shape.
struct FlyingScene {
    start::Flight flight;
    explicit FlyingScene(int subdivisions = start::kSubdivisions) {
        flight.terrain = start::makeGeneratedTerrain();
        flight.glider = std::make_unique<Glider>(start::kGliderPosition, start::kSpan, start::kChord, subdivisions,
                                                 start::kWingMass, start::kPilotMass);
        flight.world = start::makeWorld();
        flight.world->setTerrain(flight.terrain.get());
        flight.glider->registerWith(*flight.world);
        flight.world->prepare();
        for (int i = 0; i < 100; ++i) {
            flight.world->step();
        }
    }
};

void BM_WorldStep(benchmark::State& state) {
    FlyingScene scene;
    for (auto _ : state) {
        scene.flight.world->step();
    }
    state.counters["constraints"] = scene.flight.world->constraintCount();
}
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_WorldStep);

// A relaxation pass, or one of its halves: every constraint's corrections
// from the same positions, then each particle's mean of its own.
void relaxationPass(benchmark::State& state, bool constraints, bool corrections) {
    FlyingScene scene;
    ParticleSystem& world = *scene.flight.world;
    world.beginRelaxation();
    world.relaxConstraints();
    for (auto _ : state) {
        if (constraints) {
            world.relaxConstraints();
        }
        if (corrections) {
            world.applyCorrections();
        }
    }
}

void BM_RelaxationIteration(benchmark::State& state) { relaxationPass(state, true, true); }
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_RelaxationIteration);

void BM_RelaxationConstraintPass(benchmark::State& state) { relaxationPass(state, true, false); }
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_RelaxationConstraintPass);

void BM_RelaxationCorrectionPass(benchmark::State& state) { relaxationPass(state, false, true); }
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_RelaxationCorrectionPass);

// The step's cost against the mesh size: it grows with the constraint count.
void BM_WorldStepBySubdivisions(benchmark::State& state) {
    FlyingScene scene(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        scene.flight.world->step();
    }
    state.counters["constraints"] = scene.flight.world->constraintCount();
}
BENCHMARK(BM_WorldStepBySubdivisions)->Arg(4)->Arg(8)->Arg(16)->Arg(32);

} // namespace

namespace {

// The realistic glider, launched at its trim speed over the generated
// terrain and flown for a second, hands off.
void BM_WorldStepRealistic(benchmark::State& state) {
    start::Flight flight =
        start::makeFlight(start::makeGeneratedTerrain(), Vector3D(0.0, 0.0, 0.0), start::FlightModel::Realistic);
    flight.world->prepare();
    for (int i = 0; i < 100; ++i) {
        flight.world->step();
    }
    for (auto _ : state) {
        flight.world->step();
    }
    state.counters["constraints"] = flight.world->constraintCount();
}
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_WorldStepRealistic);

} // namespace
