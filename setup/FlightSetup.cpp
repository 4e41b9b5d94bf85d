#include "setup/FlightSetup.h"

#include "scene/RealisticModel.h"
#include "scene/ScenarioGround.h"
#include "setup/TaskSetup.h"
#include "terrain/JpegHeightField.h"

namespace setup {

namespace {

bool usesScenarioGround(const FlightRequest& request) {
    return request.dem.path.empty() && request.terrainPath.empty() && !request.generatedTerrain;
}

void applyOverrides(const FlightRequest& request, Scenario& scenario) {
    if (request.model) {
        scenario.model = *request.model;
    }
    if (request.wind) {
        scenario.wind = *request.wind;
    }
    if (request.thermals && !request.thermals->empty()) {
        scenario.thermals = *request.thermals;
    }
    if (request.randomThermals) {
        scenario.randomThermals.count = request.randomThermals->count;
        scenario.randomThermals.seed = request.randomThermals->seed;
    }
    if (request.ridgeLift) {
        scenario.ridgeLift = *request.ridgeLift;
    }
    if (request.pilot && request.pilot->mode != PilotPlan::Mode::None) {
        scenario.pilot = *request.pilot;
    }
    if (request.launch) {
        scenario.launch.position = request.launch->position;
        scenario.launch.headingDegrees = request.launch->headingDegrees;
    }
}

// The file the ground comes from, if any: the elevation model or heightmap
// named, else the scenario's (terrain.jpg for the classic ground, which may
// be absent).
std::string terrainInputOf(const FlightRequest& request, const Scenario& scenario) {
    if (!request.dem.path.empty()) {
        return request.dem.path;
    }
    if (!request.terrainPath.empty()) {
        return request.terrainPath;
    }
    if (request.generatedTerrain) {
        return {};
    }
    switch (scenario.terrain.source) {
    case Scenario::Terrain::Source::Jpeg:
        return scenario.terrain.path;
    case Scenario::Terrain::Source::Default:
        return start::kTerrainFile;
    case Scenario::Terrain::Source::Dem:
        return scenario.terrain.dem.path;
    default:
        return {};
    }
}

// The option a launch inside a ground named on the command line is blamed
// on: the start asked for, else the ground.
std::string groundOption(const FlightRequest& request) {
    if (!request.dem.path.empty()) {
        return request.demStart ? "--start" : "--dem";
    }
    if (request.launch) {
        return "--launch";
    }
    return request.terrainPath.empty() ? "--generated-terrain" : "--terrain";
}

} // namespace

FlightPlan planFlight(const FlightRequest& request) {
    FlightPlan plan;
    plan.request = request;
    ScenarioLoad load;
    if (!request.scenarioPath.empty()) {
        load = loadScenario(request.scenarioPath);
    } else if (!request.builtInScenario.empty()) {
        load = readScenario(request.builtInScenario, request.builtInName, request.builtInFolder);
    } else {
        load.ok = true; // the classic start
    }
    if (!load.ok) {
        plan.error.reason = load.message;
        return plan;
    }
    plan.scenario = std::move(load.scenario);
    applyOverrides(request, plan.scenario);
    // Over the scenario's elevation model the start is a place on the Earth;
    // a world position asked for would be dropped unsaid.
    if (request.launch && usesScenarioGround(request) &&
        plan.scenario.terrain.source == Scenario::Terrain::Source::Dem) {
        plan.error = {"--launch", "the scenario's elevation model places the start itself ([start] at and height)"};
        return plan;
    }
    plan.terrainInput = terrainInputOf(request, plan.scenario);
    return plan;
}

ReadyFlight buildFlight(FlightPlan plan) {
    ReadyFlight ready;
    if (plan.error.failed()) {
        ready.error = plan.error;
        return ready;
    }
    const FlightRequest& request = plan.request;
    Scenario& scenario = plan.scenario;
    ready.origin = request.origin;
    std::unique_ptr<HeightField> terrain;
    if (!request.dem.path.empty()) {
        DemTerrain dem = loadDemTerrain(request.dem);
        if (!dem.error.empty()) {
            ready.error = {"--dem", dem.error};
            return ready;
        }
        scenario.launch.position = start::demStartAboveCentre(*dem.terrain, request.demStartHeight);
        if (request.demStart) {
            const std::string reason = start::demStartPosition(*dem.terrain, *dem.projection, *request.demStart,
                                                               request.demStartHeight, scenario.launch.position);
            if (!reason.empty()) {
                ready.error = {"--start", reason};
                return ready;
            }
        }
        terrain = std::move(dem.terrain);
        ready.projection = std::move(dem.projection);
        ready.origin = flight::GeoOrigin{dem.origin.latitude, dem.origin.longitude, 0.0};
    } else if (!request.terrainPath.empty()) {
        // Asked for by name: a heightmap that cannot be read stops the start
        // rather than flying somewhere else unannounced.
        std::string reason;
        terrain = readHeightFieldJpeg(request.terrainPath.c_str(), start::kTerrainSpacing,
                                      start::kTerrainHeightScale, reason);
        if (!terrain) {
            ready.error = {"--terrain", "cannot use '" + request.terrainPath + "': " + reason};
            return ready;
        }
    } else if (request.generatedTerrain) {
        terrain = start::makeGeneratedTerrain();
    } else {
        ScenarioGround ground = makeScenarioGround(scenario);
        if (!ground.error.empty()) {
            ready.error.reason = ground.error;
            return ready;
        }
        terrain = std::move(ground.terrain);
        scenario.launch.position = ground.launchPosition;
        if (ground.projection) {
            ready.projection = std::move(ground.projection);
            // Heights are above sea level already.
            ready.origin = flight::GeoOrigin{ground.origin.latitude, ground.origin.longitude, 0.0};
        }
    }
    // The scenario's own ground checked its launch; a ground named on the
    // command line is checked here, whichever it is.
    if (!usesScenarioGround(request)) {
        if (const std::string reason = start::launchInGroundProblem(*terrain, scenario.model, scenario.launch);
            !reason.empty()) {
            ready.error = {groundOption(request), reason};
            return ready;
        }
    }
    ready.flight = makeScenarioFlight(scenario, std::move(terrain));
    if (request.solverIterations > 0) {
        start::setSolverIterations(*ready.flight.world, request.solverIterations);
    }
    ready.flight.world->prepare();
    const std::string taskError = placeTask(request.task, scenario, *ready.flight.terrain, ready.projection.get(),
                                            ready.origin, ready.task);
    if (!taskError.empty()) {
        ready.error.reason = taskError;
        return ready;
    }
    if (scenario.pilot.mode == PilotPlan::Mode::Task && !ready.task) {
        ready.error = {"--pilot", "task: no task to fly (--task FILE.cup[:NAME] or the scenario's [task])"};
        return ready;
    }
    ready.scenario = std::move(scenario);
    return ready;
}

ReadyFlight setUpFlight(const FlightRequest& request) { return buildFlight(planFlight(request)); }

} // namespace setup
