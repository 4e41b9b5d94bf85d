#include "pilot/PilotFlight.h"

#include "atmosphere/Atmosphere.h"
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
    ready = std::move(built);
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
