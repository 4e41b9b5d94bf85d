#include "scene/ScenarioGround.h"

#include "scene/DemStart.h"
#include "terrain/DemHeightField.h"

namespace {

// Reads the window of `scenario.terrain.dem` and places the start over it.
ScenarioGround makeDemGround(const Scenario& scenario, const std::string& file) {
    ScenarioGround ground;
    DemTerrain dem = loadDemTerrain(scenario.terrain.dem);
    if (!dem.error.empty()) {
        ground.error = file + ": terrain.path: " + dem.error;
        return ground;
    }
    const Scenario::Launch& launch = scenario.launch;
    Vector3D position = start::demStartAboveCentre(*dem.terrain, launch.heightAboveGround);
    if (launch.hasAt) {
        const std::string reason =
            start::demStartPosition(*dem.terrain, *dem.projection, launch.at, launch.heightAboveGround, position);
        if (!reason.empty()) {
            ground.error = file + ": start.at: " + reason;
            return ground;
        }
    }
    Scenario::Launch placed = launch;
    placed.position = position;
    if (const std::string reason = start::launchInGroundProblem(*dem.terrain, scenario.model, placed); !reason.empty()) {
        ground.error = file + ": start.height: " + reason;
        return ground;
    }
    ground.terrain = std::move(dem.terrain);
    ground.projection = std::move(dem.projection);
    ground.origin = dem.origin;
    ground.launchPosition = position;
    return ground;
}

} // namespace

ScenarioGround makeScenarioGround(const Scenario& scenario) {
    if (scenario.terrain.source == Scenario::Terrain::Source::Dem) {
        return makeDemGround(scenario, scenario.file.empty() ? std::string("scenario") : scenario.file);
    }
    ScenarioGround ground;
    std::string error;
    std::unique_ptr<HeightField> terrain = makeScenarioTerrain(scenario, error);
    if (!terrain) {
        ground.error = error;
        return ground;
    }
    if (const std::string reason = start::launchInGroundProblem(*terrain, scenario.model, scenario.launch);
        !reason.empty()) {
        ground.error = (scenario.file.empty() ? std::string("scenario") : scenario.file) + ": start.position: " + reason;
        return ground;
    }
    ground.terrain = std::move(terrain);
    ground.launchPosition = scenario.launch.position;
    return ground;
}
