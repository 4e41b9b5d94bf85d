#pragma once

#include "autopilot/SimplePilot.h"
#include "scene/StartScene.h"

// Where the simple pilot meets a flight: what it sees of the glider and the
// bar under its hands, and its commands turned into the special keys a
// person would press, with the flight model's own steps and limits.
namespace start {

PilotView pilotView(const Flight& flight);
// How the simple pilot works the controls of `model`'s glider.
PilotGains pilotGainsFor(FlightModel model);
// The key for `command` pressed on `flight`; None presses nothing.
void pressFor(Flight& flight, PilotCommand command);
int keyFor(PilotCommand command);

} // namespace start
