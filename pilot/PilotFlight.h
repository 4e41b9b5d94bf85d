#pragma once

#include <string>

#include "pilot/PilotOptions.h"
#include "pilot/WeightShiftControl.h"
#include "scene/StartScene.h"

// The flight glider-pilot flies, built from its options, and the few things
// the front end does to it: reset to the launch and hold a weight shift.
class PilotFlight {
public:
    // Builds and prepares the flight. On bad input returns one line naming
    // the file or option and what is wrong; `notes` gets what the pilot
    // should know but that does not stop the flight.
    std::string build(const PilotOptions& options, std::string& notes);

    start::Flight& flight() { return owned; }
    const start::Flight& flight() const { return owned; }
    Glider& glider() { return *owned.glider; }
    const Glider& glider() const { return *owned.glider; }
    ParticleSystem& world() { return *owned.world; }
    const ParticleSystem& world() const { return *owned.world; }
    const HeightField& terrain() const { return *owned.terrain; }
    const char* modelName() const { return model; }

    // Back at the launch, at rest, weight centred.
    void reset();
    // Absolute weight shift, each in [-1, 1] of the control range.
    void setWeightShift(double lateral, double fore) { shift.apply(*owned.glider, lateral, fore); }
    double lateralShift() const { return shift.lateral(); }
    double foreShift() const { return shift.fore(); }

private:
    start::Flight owned;
    WeightShiftControl shift;
    const char* model = "classic";
};
