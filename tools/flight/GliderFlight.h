#pragma once

#include <memory>
#include <string>

#include "autopilot/PilotPlan.h"
#include "scene/StartScene.h"
#include "terrain/GeoCoordinate.h"
#include "terrain/MapProjection.h"
#include "tools/flight/FlightOptions.h"
#include "tools/flight/OutputTarget.h"

// The whole glider-flight program: options, outputs, the flight and its
// summary. Returns the process exit status: 0 done; 1 an output could not
// be written or the flight diverged (no output file is then replaced); 2 a
// bad command line, an output that may not be written or names an input or
// the other output, or a named heightmap that cannot be used (all reported
// before any output is opened).
namespace flight {

int runGliderFlight(int argc, const char* const* argv);

// What a parsed command line flies, built and prepared, its outputs
// resolved but not opened.
struct FlightSetup {
    FlightOptions options;
    start::Flight flight;
    PilotPlan pilot; // the scenario's, or the command line's over it
    std::unique_ptr<MapProjection> projection; // null: the IGC log places fixes around options.origin
    GeoCoordinate mapOrigin;                   // where the projection's origin lies
    OutputTarget csv;
    OutputTarget igc;
};

// Builds `setup` from `options` as glider-flight does, or returns the status
// it exits with and sets `message` to its one-line reason (without the
// program's name); nothing is written either way.
int setUpFlight(const FlightOptions& options, FlightSetup& setup, std::string& message);

} // namespace flight
