#pragma once

#include <memory>
#include <string>

#include "pilot/PilotOptions.h"
#include "scene/Scenario.h"
#include "scene/StartScene.h"
#include "terrain/MapProjection.h"

class ThermalField;
#include "tools/flight/FlightOptions.h"

// The flight glider-pilot flies, built from its scenario (the ridge when none
// is named) and the options that override it, and the few things the front
// end does to it: reset to the launch and hold a weight shift.
class PilotFlight {
public:
    // Builds and prepares the flight. On bad input returns one line naming
    // the file or option and what is wrong.
    std::string build(const PilotOptions& options);

    start::Flight& flight() { return owned; }
    const start::Flight& flight() const { return owned; }
    Glider& glider() { return *owned.glider; }
    const Glider& glider() const { return *owned.glider; }
    ParticleSystem& world() { return *owned.world; }
    const ParticleSystem& world() const { return *owned.world; }
    const HeightField& terrain() const { return *owned.terrain; }
    // The scenario's sun and clouds, and its thermals (null when none).
    const Scenario::Sky& sky() const { return skyOf; }
    const ThermalField* thermals() const;
    const char* modelName() const { return start::flightModelName(owned.model); }
    // (unit: degrees) the heading the glider is launched at.
    double launchHeading() const { return owned.launch.headingDegrees; }
    // Where the world lies on the Earth, for the flight log; the projection
    // is null unless the terrain came from an elevation model.
    const flight::GeoOrigin& origin() const { return geoOrigin; }
    const MapProjection* projection() const { return mapProjection.get(); }

    // Back at the launch, weight centred.
    void reset();
    // Absolute weight shift, each in [-1, 1] of the model's control range.
    void setWeightShift(double lateral, double fore) { start::setWeightShift(owned, lateral, fore); }
    double lateralShift() const { return start::weightShiftOf(owned).lateral; }
    double foreShift() const { return start::weightShiftOf(owned).fore; }

private:
    start::Flight owned;
    flight::GeoOrigin geoOrigin;
    std::unique_ptr<MapProjection> mapProjection;
    Scenario::Sky skyOf;
};
