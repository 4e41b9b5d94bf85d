#include "tools/flight/GliderFlight.h"

#include <cstdio>

#include "scene/StartScene.h"
#include "setup/FlightSetup.h"
#include "tools/flight/FlightOptions.h"
#include "tools/flight/FlightRecorder.h"
#include "recording/OutputFile.h"
#include "recording/OutputTarget.h"

namespace flight {

namespace {

constexpr const char* kProgram = "glider-flight";

int failWith(const char* option, const std::string& reason, int status) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, option, reason.c_str());
    return status;
}

} // namespace

setup::FlightRequest flightRequestFrom(const FlightOptions& options) {
    setup::FlightRequest request;
    request.scenarioPath = options.scenarioPath;
    if (options.modelGiven) {
        request.model = options.model;
    }
    if (options.windGiven) {
        request.wind = options.wind;
    }
    request.thermals = options.thermals;
    if (options.randomThermalsGiven) {
        request.randomThermals = options.randomThermals;
    }
    if (options.ridgeLift >= 0) {
        request.ridgeLift = options.ridgeLift == 1;
    }
    request.pilot = options.pilot;
    if (options.launchGiven) {
        request.launch = options.launch;
    }
    request.dem = options.dem.window;
    if (options.dem.hasStart) {
        request.demStart = options.dem.start;
    }
    request.demStartHeight = options.dem.startHeight;
    request.terrainPath = options.terrainPath;
    request.generatedTerrain = options.generatedTerrain;
    request.solverIterations = options.solverIterations;
    request.origin = options.origin;
    return request;
}

namespace {

// Both outputs, resolved; refused when one would overwrite the other, the
// terrain or scenario being read, or the file standard output already writes.
struct Outputs {
    OutputTarget csv;
    OutputTarget igc;
};

// The one line refusing the outputs ("--csv: ...") and status 2, else 0.
int checkOutputs(const FlightOptions& options, const std::string& terrain, Outputs& outputs, std::string& line) {
    const auto failWith = [&line](const char* option, const std::string& reason, int status) {
        line = std::string(option) + ": " + reason;
        return status;
    };
    std::string reason = resolveOutput(options.csvPath, outputs.csv);
    if (!reason.empty()) {
        return failWith("--csv", reason, 2);
    }
    if (!options.igcPath.empty() && !(reason = resolveOutput(options.igcPath, outputs.igc)).empty()) {
        return failWith("--igc", reason, 2);
    }
    const FileIdentity terrainInput = terrain.empty() ? FileIdentity() : identifyInput(terrain);
    const FileIdentity scenarioInput =
        options.scenarioPath.empty() ? FileIdentity() : identifyInput(options.scenarioPath);
    for (const auto& [option, target] : {std::pair<const char*, const OutputTarget*>{"--csv", &outputs.csv},
                                         {"--igc", &outputs.igc}}) {
        if (sameFile(target->identity, terrainInput)) {
            return failWith(option, "'" + target->path + "' is the terrain '" + terrain + "' this run reads", 2);
        }
        if (sameFile(target->identity, scenarioInput)) {
            return failWith(option,
                            "'" + target->path + "' is the scenario '" + options.scenarioPath + "' this run reads", 2);
        }
    }
    if (!options.igcPath.empty() && sameFile(outputs.igc.identity, outputs.csv.identity)) {
        const std::string csv = options.csvPath == "-" ? "standard output, where the CSV goes"
                                                       : "the --csv output '" + options.csvPath + "'";
        return failWith("--igc", "'" + options.igcPath + "' is also " + csv, 2);
    }
    return 0;
}

} // namespace

std::string outputsProblem(const FlightOptions& options, const std::string& terrainInput) {
    Outputs targets;
    std::string line;
    checkOutputs(options, terrainInput, targets, line);
    return line;
}

int runGliderFlight(int argc, const char* const* argv) {
    const CommandLine line = parseCommandLine(argc, argv);
    if (line.outcome == CommandLine::Outcome::Help) {
        std::fputs(line.message.c_str(), stdout);
        return 0;
    }
    if (line.outcome == CommandLine::Outcome::Error) {
        std::fprintf(stderr, "%s: %s\n", kProgram, line.message.c_str());
        return 2;
    }
    const FlightOptions& options = line.options;

    // The scenario is input like the command line: read whole before anything is written.
    setup::FlightPlan flightPlan = setup::planFlight(flightRequestFrom(options));
    if (flightPlan.error.failed()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, flightPlan.error.line().c_str());
        return 2;
    }

    // Every input is checked before any output is opened: a refused run
    // creates nothing and leaves every existing file, FIFO or device as it was.
    Outputs targets;
    std::string refusal;
    if (const int status = checkOutputs(options, flightPlan.terrainInput, targets, refusal)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, refusal.c_str());
        return status;
    }
    // The ground: the command line's elevation model (its own terrain, start
    // and place on the Earth), else the command line's terrain, else the
    // scenario's (only the default terrain.jpg falls back to the generated
    // terrain), which may be an elevation model too.
    setup::ReadyFlight ready = setup::buildFlight(std::move(flightPlan));
    if (ready.error.failed()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, ready.error.line().c_str());
        return 2;
    }

    std::string reason;
    OutputFile csv;
    OutputFile igc;
    if (!(reason = csv.open(targets.csv)).empty()) {
        return failWith("--csv", reason, 2);
    }
    if (!options.igcPath.empty() && !(reason = igc.open(targets.igc)).empty()) {
        return failWith("--igc", reason, 2);
    }

    start::Flight& flight = ready.flight;
    RecordingPlan plan = planFrom(options, csv.stream(), igc.stream());
    plan.pilot = &ready.scenario.pilot;
    plan.placement = ready.placement();
    const FlightSummary summary = recordFlight(flight, plan);
    if (summary.divergedStep >= 0) {
        std::fprintf(stderr, "%s: %s\n", kProgram,
                     divergenceLine(summary, flight.glider->pilotParticle().index).c_str());
        return 1;
    }

    // Everything written out before anything is put in place: one failed
    // output leaves every target as it was.
    if (!(reason = csv.finish()).empty()) {
        return failWith("--csv", reason, 1);
    }
    if (!(reason = igc.finish()).empty()) {
        return failWith("--igc", reason, 1);
    }
    if (!(reason = csv.commit()).empty()) {
        return failWith("--csv", reason, 1);
    }
    if (!(reason = igc.commit()).empty()) {
        return failWith("--igc", reason, 1);
    }
    std::fprintf(stderr, "%s\n", summaryLine(summary).c_str());
    return 0;
}

} // namespace flight
