#include "scene/ScenarioDemGround.h"

#include "scene/DemStart.h"
#include "terrain/DemHeightField.h"

ScenarioDemGround makeScenarioDemGround(const Scenario& scenario) {
    const std::string file = scenario.file.empty() ? std::string("scenario") : scenario.file;
    ScenarioDemGround ground;
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
    ground.terrain = std::move(dem.terrain);
    ground.projection = std::move(dem.projection);
    ground.origin = dem.origin;
    ground.launchPosition = position;
    return ground;
}
