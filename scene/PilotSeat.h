#pragma once

#include "autopilot/SimplePilot.h"
#include "scene/StartScene.h"

// Where the simple pilot meets a flight: what it sees of the glider and the
// bar under its hands, and its commands given as a person would, with the
// flight model's own steps and limits.
namespace start {

PilotView pilotView(const Flight& flight);
// How the simple pilot works the controls of `model`'s glider.
PilotGains pilotGainsFor(FlightModel model);
// `command` given on `flight`; None gives nothing.
void pressFor(Flight& flight, PilotCommand command);

} // namespace start
