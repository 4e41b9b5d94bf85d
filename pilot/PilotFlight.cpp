#include "pilot/PilotFlight.h"

#include <algorithm>

#include "atmosphere/Atmosphere.h"
#include "pilot/GroundCover.h"
#include "pilot/RidgeScenario.h"

setup::FlightRequest pilotFlightRequest(const PilotOptions& options) {
    setup::FlightRequest request;
    request.scenarioPath = options.scenarioPath;
    request.builtInScenario = kRidgeScenario;
    request.builtInName = "the built-in ridge scenario";
    if (options.modelGiven || options.scenarioPath.empty()) {
        start::FlightModel model;
        if (start::flightModelFromName(options.model, model)) {
            request.model = model;
        }
    }
    if (options.windGiven) {
        request.wind = options.wind;
    }
    request.dem = options.dem;
    request.terrainPath = options.terrainPath;
    request.generatedTerrain = options.generatedTerrain;
    request.imagery = options.imageryPath;
    request.task = options.task;
    return request;
}

std::string PilotFlight::build(const setup::FlightRequest& request) {
    setup::ReadyFlight built = setup::setUpFlight(request);
    if (built.error.failed()) {
        if (built.error.option == "--terrain" && built.error.reason.rfind("cannot use", 0) == 0) {
            return request.terrainPath + ": cannot be used as a terrain (a greyscale JPEG is needed)";
        }
        return built.error.line();
    }
    if (std::string reason = loadImagery(request, built); !reason.empty()) {
        return reason;
    }
    ready = std::move(built);
    return {};
}

// The command line's imagery, else the scenario's when its own elevation
// model is the ground; read once over the whole terrain.
std::string PilotFlight::loadImagery(const setup::FlightRequest& flown, setup::ReadyFlight& built) {
    const bool scenarioGround = flown.dem.path.empty() && flown.terrainPath.empty() && !flown.generatedTerrain &&
                                built.scenario.terrain.source == Scenario::Terrain::Source::Dem;
    const bool given = !flown.imagery.empty();
    const std::string path = given ? flown.imagery : (scenarioGround ? built.scenario.terrain.imagery : "");
    if (path.empty()) {
        return {};
    }
    const std::string blame =
        given ? "--imagery: " : (built.scenario.file.empty() ? "scenario" : built.scenario.file) + ": terrain.imagery: ";
    if (!built.projection) {
        return blame + "imagery is drawn only on an elevation model (--dem, or a scenario's terrain from source dem)";
    }
    const HeightField& field = *built.flight.terrain;
    ImageryRequest request;
    request.path = path;
    request.west = field.gridOriginX();
    request.south = field.gridOriginY();
    request.east = field.gridOriginX() + (field.columnCount() - 1) * field.gridSpacing();
    request.north = field.gridOriginY() + (field.rowCount() - 1) * field.gridSpacing();
    request.minTexels = std::max(field.columnCount(), field.rowCount());
    AerialImagery imagery = loadAerialImagery(request, *built.projection);
    if (!imagery.error.empty()) {
        return blame + imagery.error;
    }
    ground::underlayCovers(imagery, field);
    drape = std::move(imagery);
    return {};
}

const ThermalField* PilotFlight::thermals() const {
    const auto* air = dynamic_cast<const Atmosphere*>(ready.flight.air.get());
    return air != nullptr ? air->thermalField() : nullptr;
}

void PilotFlight::reset() {
    start::setWeightShift(ready.flight, 0.0, 0.0);
    start::applyCommand(ready.flight, PilotCommand::Reset);
}
