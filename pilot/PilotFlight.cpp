#include "pilot/PilotFlight.h"

#include "atmosphere/Atmosphere.h"
#include "pilot/RidgeScenario.h"
#include "scene/DemStart.h"
#include "scene/ScenarioGround.h"
#include "terrain/DemHeightField.h"
#include "terrain/JpegHeightField.h"

std::string PilotFlight::build(const PilotOptions& options) {
    Scenario scenario;
    if (!options.scenarioPath.empty()) {
        ScenarioLoad load = loadScenario(options.scenarioPath);
        if (!load.ok) {
            return load.message;
        }
        scenario = std::move(load.scenario);
    } else {
        ScenarioLoad load = readScenario(kRidgeScenario, "the built-in ridge scenario", ".");
        if (!load.ok) {
            return load.message;
        }
        scenario = std::move(load.scenario);
    }
    if (options.modelGiven || options.scenarioPath.empty()) {
        start::flightModelFromName(options.model, scenario.model);
    }
    if (options.windGiven) {
        scenario.wind = options.wind;
    }

    // An elevation model, else a named heightmap, else the generated terrain
    // when asked for, else the scenario's own ground.
    std::unique_ptr<HeightField> terrain;
    if (!options.dem.path.empty()) {
        DemTerrain dem = loadDemTerrain(options.dem);
        if (!dem.error.empty()) {
            return "--dem: " + dem.error;
        }
        terrain = std::move(dem.terrain);
        scenario.launch.position = start::demStartAboveCentre(*terrain, start::kDemStartHeight);
        mapProjection = std::move(dem.projection);
        // Heights are above sea level already.
        geoOrigin = flight::GeoOrigin{dem.origin.latitude, dem.origin.longitude, 0.0};
    } else if (!options.terrainPath.empty()) {
        // Asked for by name: a terrain that cannot be read stops the start
        // rather than flying somewhere else unannounced.
        terrain = loadHeightFieldJpeg(options.terrainPath.c_str(), start::kTerrainSpacing, start::kTerrainHeightScale);
        if (!terrain) {
            return options.terrainPath + ": cannot be used as a terrain (a greyscale JPEG is needed)";
        }
    } else if (options.generatedTerrain) {
        terrain = start::makeGeneratedTerrain();
    } else {
        // The scenario's ground, an elevation model among the sources.
        ScenarioGround ground = makeScenarioGround(scenario);
        if (!ground.error.empty()) {
            return ground.error;
        }
        terrain = std::move(ground.terrain);
        scenario.launch.position = ground.launchPosition;
        if (ground.projection) {
            mapProjection = std::move(ground.projection);
            geoOrigin = flight::GeoOrigin{ground.origin.latitude, ground.origin.longitude, 0.0};
        }
    }
    skyOf = scenario.sky;
    owned = makeScenarioFlight(scenario, std::move(terrain));
    owned.world->prepare();
    return {};
}

const ThermalField* PilotFlight::thermals() const {
    const auto* air = dynamic_cast<const Atmosphere*>(owned.air.get());
    return air != nullptr ? air->thermalField() : nullptr;
}

void PilotFlight::reset() {
    start::setWeightShift(owned, 0.0, 0.0);
    start::applySpecialKey(owned, start::kKeyF1);
}
