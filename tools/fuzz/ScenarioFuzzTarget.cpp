// Fuzz target for the scenario reader: reads the file named on the command
// line as every program reads --scenario. A refusal must be one line that
// names the file; anything else (a crash, a hang, a sanitizer report, a
// message over several lines) is a finding. Run through scripts/fuzz.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "scene/Scenario.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SCENARIO\n", argv[0]);
        return 2;
    }
    const ScenarioLoad load = loadScenario(argv[1]);
    if (!load.ok) {
        const std::string& message = load.message;
        if (message.rfind(argv[1], 0) != 0 || message.find('\n') != std::string::npos) {
            std::fprintf(stderr, "not one line naming the file: %s\n", message.c_str());
            std::abort();
        }
        return 0;
    }
    // What the programs read from it before building the ground.
    const Scenario& s = load.scenario;
    const double sum = s.wind.x + s.launch.position.z + s.launch.headingDegrees + s.thermalTop +
                       static_cast<double>(s.thermals.size()) + s.terrain.dem.radius;
    return sum == sum ? 0 : 3;
}
