#include <benchmark/benchmark.h>

#include "bench/EveryLevel.h"
#include "scene/Scenario.h"

namespace {

// The realistic glider over the ridge in an 8 m/s wind, flown for a second;
// with `moving` the air also holds 20 thermals and ridge lift.
struct RidgeScene {
    start::Flight flight;
    explicit RidgeScene(bool moving) {
        Scenario scenario;
        scenario.model = start::FlightModel::Realistic;
        scenario.terrain.source = Scenario::Terrain::Source::Ridge;
        scenario.launch.position = Vector3D(0.0, -110.0, 110.0);
        scenario.launch.headingDegrees = 90.0;
        scenario.wind = Vector3D(0.0, 8.0, 0.0);
        if (moving) {
            scenario.ridgeLift = true;
            scenario.randomThermals.count = 20;
            scenario.randomThermals.seed = 5;
            scenario.randomThermals.density = 4.0; // close enough that some lie near
        }
        std::string error;
        flight = makeScenarioFlight(scenario, makeScenarioTerrain(scenario, error));
        flight.world->prepare();
        for (int i = 0; i < 100; ++i) {
            flight.world->step();
        }
    }
};

// What the air costs the step: the field asked at every triangle's centroid.
void BM_AirFieldAllTriangles(benchmark::State& state) {
    RidgeScene scene(true);
    const ParticleSystem& world = *scene.flight.world;
    const AirField& air = world.airField();
    for (auto _ : state) {
        Vector3D sum;
        for (int i = 0; i < world.triangleCount(); ++i) {
            const WingTriangle& t = world.triangleAt(i);
            const Vector3D centroid = ((t.p0->position + t.p1->position) + t.p2->position) * (1.0 / 3.0);
            sum += air.velocityAt(centroid, world.simulatedTime());
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["queries"] = world.triangleCount();
}
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_AirFieldAllTriangles);

// The realistic step in the uniform wind and in the moving air: the
// difference is the field's cost where it is paid.
void BM_RealisticStepUniformAir(benchmark::State& state) {
    RidgeScene scene(false);
    for (auto _ : state) {
        scene.flight.world->step();
    }
}
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_RealisticStepUniformAir);

void BM_RealisticStepMovingAir(benchmark::State& state) {
    RidgeScene scene(true);
    for (auto _ : state) {
        scene.flight.world->step();
    }
}
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_RealisticStepMovingAir);

} // namespace
