#pragma once

// The whole glider-flight program: options, outputs, the flight and its
// summary. Returns the process exit status: 0 done, 1 an output could not
// be written, 2 a bad command line (reported before anything else happens).
namespace flight {

int runGliderFlight(int argc, const char* const* argv);

} // namespace flight
