#pragma once

#include <memory>
#include <string>

#include "pilot/PilotOptions.h"
#include "recording/GeoOrigin.h"
#include "scene/StartScene.h"
#include "setup/FlightSetup.h"
#include "terrain/AerialImagery.h"

class ThermalField;

// The command line as a flight request: the ridge when no scenario is named,
// and then the model the command line names (realistic by default).
setup::FlightRequest pilotFlightRequest(const PilotOptions& options);

// The flight glider-pilot flies, built from its scenario (the ridge when none
// is named) and the options that override it, and the few things the front
// end does to it: reset to the launch and hold a weight shift.
class PilotFlight {
public:
    // Builds and prepares the flight. On bad input returns one line naming
    // the file or option and what is wrong.
    std::string build(const PilotOptions& options) { return build(pilotFlightRequest(options)); }
    std::string build(const setup::FlightRequest& request);

    start::Flight& flight() { return ready.flight; }
    const start::Flight& flight() const { return ready.flight; }
    Glider& glider() { return *ready.flight.glider; }
    const Glider& glider() const { return *ready.flight.glider; }
    ParticleSystem& world() { return *ready.flight.world; }
    const ParticleSystem& world() const { return *ready.flight.world; }
    const HeightField& terrain() const { return *ready.flight.terrain; }
    // The scenario's sun and clouds, and its thermals (null when none).
    const Scenario::Sky& sky() const { return ready.scenario.sky; }
    const ThermalField* thermals() const;
    const char* modelName() const { return start::flightModelName(ready.flight.model); }
    // (unit: degrees) the heading the glider is launched at.
    double launchHeading() const { return ready.flight.launch.headingDegrees; }
    // Where the world lies on the Earth, for the flight log; the projection
    // is null unless the terrain came from an elevation model.
    flight::EarthPlacement placement() const { return ready.placement(); }
    // Everything the setup built, its task included.
    const setup::ReadyFlight& built() const { return ready; }
    // The aerial imagery on the terrain, every texel covered (the ground's
    // own colours where the raster has none); null when there is none.
    const AerialImagery* imagery() const { return drape.rgba.empty() ? nullptr : &drape; }

    // Back at the launch, weight centred.
    void reset();
    // Absolute weight shift, each in [-1, 1] of the model's control range.
    void setWeightShift(double lateral, double fore) { start::setWeightShift(ready.flight, lateral, fore); }
    double lateralShift() const { return start::weightShiftOf(ready.flight).lateral; }
    double foreShift() const { return start::weightShiftOf(ready.flight).fore; }

private:
    std::string loadImagery(const setup::FlightRequest& flown, setup::ReadyFlight& built);

    setup::ReadyFlight ready;
    AerialImagery drape;
};
