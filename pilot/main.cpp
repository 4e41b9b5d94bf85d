// glider-pilot: fly the hang glider in a window, with instruments, an
// audible variometer, pause, replay and game controllers.

#include <cstdio>

#include "pilot/PilotApp.h"
#include "platform/StandardStreams.h"
#include "pilot/PilotOptions.h"

int main(int argc, char** argv) {
    openClosedStandardStreams();
    const PilotApp::Clock::time_point launched = PilotApp::Clock::now();
    const PilotCommandLine line = parsePilotCommandLine(argc, argv);
    if (line.outcome == PilotCommandLine::Outcome::Help) {
        std::fputs(line.message.c_str(), stdout);
        return 0;
    }
    if (line.outcome == PilotCommandLine::Outcome::Error) {
        std::fprintf(stderr, "glider-pilot: %s\n", line.message.c_str());
        return 2;
    }
    static PilotApp app; // large: kept off the stack
    return app.run(line.options, launched);
}
