#pragma once

// The whole glider-flight program: options, outputs, the flight and its
// summary. Returns the process exit status: 0 done; 1 an output could not
// be written or the flight diverged (no output file is then replaced); 2 a
// bad command line, an output that may not be written or names an input or
// the other output, or a named heightmap that cannot be used (all reported
// before any output is opened).
namespace flight {

int runGliderFlight(int argc, const char* const* argv);

} // namespace flight
