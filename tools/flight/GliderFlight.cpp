#include "flight/GliderFlight.h"

#include <cstdio>

#include "scene/Scenario.h"
#include "scene/StartScene.h"
#include "setup/FlightSetup.h"
#include "flight/FlightOptions.h"
#include "flight/FlightRecorder.h"
#include "flight/TaskFlight.h"
#include "recording/OutputFile.h"
#include "recording/OutputTarget.h"

namespace flight {

namespace {

constexpr const char* kProgram = "glider-flight";
// How start::launchInGroundProblem's reason begins.
constexpr const char* kLaunchInGround = "the launch at ";

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
    request.task = options.task;
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

// What the command line asks that the scenario, once read, cannot give.
setup::SetupError planProblem(const FlightOptions& options, const setup::FlightPlan& plan) {
    const bool scenarioGround = options.dem.window.path.empty() && options.terrainPath.empty() &&
                                !options.generatedTerrain;
    if (options.solverIterations > 0 && plan.scenario.model != start::FlightModel::Realistic) {
        return {"--iterations", "only the realistic model's solver takes a cap, and the scenario '" +
                                    options.scenarioPath + "' flies the classic model (add --model realistic)"};
    }
    if (options.originGiven && scenarioGround && plan.scenario.terrain.source == Scenario::Terrain::Source::Dem) {
        return {"--origin", "the scenario's elevation model places the flight on the Earth itself"};
    }
    return {};
}

// The option that placed the launch, if the command line did.
const char* launchOption(const FlightOptions& options) {
    if (options.launchGiven) {
        return "--launch";
    }
    return options.dem.hasStart ? "--start" : nullptr;
}

// A launch inside the ground, refused naming the option that put it there:
// whichever check found it (the setup's or this one), the user typed it.
setup::SetupError launchProblem(const FlightOptions& options, const setup::ReadyFlight& ready) {
    const char* option = launchOption(options);
    if (option == nullptr) {
        return ready.error;
    }
    if (ready.error.failed()) {
        const std::size_t found = ready.error.reason.find(kLaunchInGround);
        return found == std::string::npos ? ready.error : setup::SetupError{option, ready.error.reason.substr(found)};
    }
    const start::Flight& flight = ready.flight;
    return {option, start::launchInGroundProblem(*flight.terrain, flight.model, flight.launch)};
}

// The flight the options ask for, every input checked before any output is
// opened: a refused run creates nothing and leaves every existing file, FIFO
// or device as it was. On refusal `refusal` holds the one line (status 2).
setup::ReadyFlight flyable(const FlightOptions& options, Outputs& targets, std::string& refusal) {
    // The scenario is input like the command line: read whole before anything is written.
    setup::FlightPlan flightPlan = setup::planFlight(flightRequestFrom(options));
    if (!flightPlan.error.failed()) {
        flightPlan.error = planProblem(options, flightPlan);
    }
    if (flightPlan.error.failed()) {
        refusal = flightPlan.error.line();
        return {};
    }
    if (checkOutputs(options, flightPlan.terrainInput, targets, refusal) != 0) {
        return {};
    }
    // The ground: the command line's elevation model (its own terrain, start
    // and place on the Earth), else the command line's terrain, else the
    // scenario's (only the default terrain.jpg falls back to the generated
    // terrain), which may be an elevation model too.
    setup::ReadyFlight ready = setup::buildFlight(std::move(flightPlan));
    ready.error = launchProblem(options, ready);
    // A goal that cannot be reached would be a flag silently ignored.
    if (!ready.error.failed() && options.untilGoal && !ready.task) {
        ready.error = {"--until-goal", "no task to reach (--task FILE.cup[:NAME] or the scenario's [task])"};
    }
    if (ready.error.failed()) {
        refusal = ready.error.line();
    }
    return ready;
}

} // namespace

setup::ReadyFlight buildProgramFlight(const FlightOptions& options, std::string& refusal) {
    Outputs targets;
    return flyable(options, targets, refusal);
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

    // The flight computer's link, before the terrain is read or any output exists.
    TaskFlight extras;
    if (const int status = extras.open(options)) {
        return status;
    }

    Outputs targets;
    std::string refusal;
    setup::ReadyFlight ready = flyable(options, targets, refusal);
    if (!refusal.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgram, refusal.c_str());
        return 2;
    }

    extras.follow(ready);

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
    extras.addTo(plan);
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
    std::fprintf(stderr, "%s%s\n", summaryLine(summary).c_str(), extras.summaryFields().c_str());
    return 0;
}

} // namespace flight
