#pragma once

#include <string>

#include "setup/FlightSetup.h"
#include "flight/FlightOptions.h"

// The whole glider-flight program: options, outputs, the flight and its
// summary. Returns the process exit status: 0 done; 1 an output could not
// be written or the flight diverged (no output file is then replaced); 2 a
// bad command line, an output that may not be written or names an input or
// the other output, or a named heightmap that cannot be used (all reported
// before any output is opened).
namespace flight {

int runGliderFlight(int argc, const char* const* argv);

// The command line as a request for the flight setup, for every front end
// that flies glider-flight's options (the research module does).
setup::FlightRequest flightRequestFrom(const FlightOptions& options);
// The flight glider-flight flies for `options`, refused as the program
// refuses it (its outputs checked against its inputs included, none opened):
// on refusal `refusal` holds the one line, after which the program exits 2.
setup::ReadyFlight buildProgramFlight(const FlightOptions& options, std::string& refusal);

} // namespace flight
