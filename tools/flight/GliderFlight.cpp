#include "tools/flight/GliderFlight.h"

#include <cstdio>

#include "scene/Scenario.h"
#include "scene/DemStart.h"
#include "scene/RealisticModel.h"
#include "scene/ScenarioGround.h"
#include "scene/StartScene.h"
#include "terrain/JpegHeightField.h"
#include "tools/flight/FlightOptions.h"
#include "tools/flight/FlightRecorder.h"
#include "tools/flight/OutputFile.h"
#include "tools/flight/OutputTarget.h"

namespace flight {

namespace {

constexpr const char* kProgram = "glider-flight";

int failWith(const char* option, const std::string& reason, int status) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, option, reason.c_str());
    return status;
}

// The command line's terrain options, when none is given, leave the ground
// to the scenario, if there is one.
bool usesScenarioTerrain(const FlightOptions& options) {
    return options.dem.window.path.empty() && !options.generatedTerrain && options.terrainPath.empty() &&
           !options.scenarioPath.empty();
}

// The terrain file the run reads, if any: the elevation model or heightmap
// named, the scenario's heightmap, else the windowed program's terrain.jpg
// (which may be absent).
std::string terrainInputOf(const FlightOptions& options, const Scenario& scenario) {
    if (!options.dem.window.path.empty()) {
        return options.dem.window.path;
    }
    if (usesScenarioTerrain(options)) {
        switch (scenario.terrain.source) {
        case Scenario::Terrain::Source::Jpeg:
            return scenario.terrain.path;
        case Scenario::Terrain::Source::Default:
            return start::kTerrainFile;
        case Scenario::Terrain::Source::Dem:
            return scenario.terrain.dem.path;
        default:
            return {};
        }
    }
    if (options.generatedTerrain) {
        return {};
    }
    return options.terrainPath.empty() ? start::kTerrainFile : options.terrainPath;
}

// A heightmap named on the command line must be used or refused (null and
// a reason); only the default terrain.jpg falls back as in the simulator.
std::unique_ptr<HeightField> terrainFor(const FlightOptions& options, std::string& reason) {
    if (options.generatedTerrain) {
        return start::makeGeneratedTerrain();
    }
    if (options.terrainPath.empty()) {
        return start::makeTerrain(start::kTerrainFile);
    }
    return readHeightFieldJpeg(options.terrainPath.c_str(), start::kTerrainSpacing, start::kTerrainHeightScale,
                               reason);
}

// Both outputs, resolved; refused when one would overwrite the other, the
// terrain or scenario being read, or the file standard output already writes.
struct Outputs {
    OutputTarget csv;
    OutputTarget igc;
};

int resolveOutputs(const FlightOptions& options, const Scenario& scenario, Outputs& outputs, std::string& message) {
    const auto failWith = [&message](const char* option, const std::string& reason, int status) {
        message = std::string(option) + ": " + reason;
        return status;
    };
    std::string reason = resolveOutput(options.csvPath, outputs.csv);
    if (!reason.empty()) {
        return failWith("--csv", reason, 2);
    }
    if (!options.igcPath.empty() && !(reason = resolveOutput(options.igcPath, outputs.igc)).empty()) {
        return failWith("--igc", reason, 2);
    }
    const std::string terrain = terrainInputOf(options, scenario);
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

// The scenario (the classic start without one) with the command line's air
// and pilot on top of it.
Scenario scenarioFor(const FlightOptions& options, Scenario scenario) {
    if (options.modelGiven) {
        scenario.model = options.model;
    }
    if (options.windGiven) {
        scenario.wind = options.wind;
    }
    if (!options.thermals.empty()) {
        scenario.thermals = options.thermals;
    }
    if (options.randomThermalsGiven) {
        scenario.randomThermals.count = options.randomThermals.count;
        scenario.randomThermals.seed = options.randomThermals.seed;
    }
    if (options.ridgeLift >= 0) {
        scenario.ridgeLift = options.ridgeLift == 1;
    }
    if (options.pilot.mode != PilotPlan::Mode::None) {
        scenario.pilot = options.pilot;
    }
    if (options.launchGiven) {
        scenario.launch.position = options.launch.position;
        scenario.launch.headingDegrees = options.launch.headingDegrees;
    }
    return scenario;
}

} // namespace

int setUpFlight(const FlightOptions& options, FlightSetup& setup, std::string& message) {
    const auto fail = [&message](const char* option, const std::string& reason, int status) {
        message = std::string(option) + ": " + reason;
        return status;
    };
    // The scenario is input like the command line: read whole before anything is written.
    Scenario given;
    if (!options.scenarioPath.empty()) {
        ScenarioLoad load = loadScenario(options.scenarioPath);
        if (!load.ok) {
            message = load.message;
            return 2;
        }
        given = std::move(load.scenario);
    }
    const Scenario scenario = scenarioFor(options, std::move(given));
    // Over the scenario's elevation model the start is a place on the Earth;
    // a world position from the command line would be dropped unsaid.
    if (options.launchGiven && usesScenarioTerrain(options) &&
        scenario.terrain.source == Scenario::Terrain::Source::Dem) {
        return fail("--launch", "the scenario's elevation model places the start itself ([start] at and height)",
                    2);
    }

    // Every input is checked before any output is opened: a refused run
    // creates nothing and leaves every existing file, FIFO or device as it was.
    Outputs targets;
    if (const int status = resolveOutputs(options, scenario, targets, message)) {
        return status;
    }
    std::string reason;
    // The ground: the command line's elevation model (its own terrain, start
    // and place on the Earth), else the command line's terrain (only the
    // default terrain.jpg falls back), else the scenario's, which must be
    // usable and may be an elevation model too.
    Scenario flown = scenario;
    std::unique_ptr<HeightField> terrain;
    std::unique_ptr<MapProjection> projection;
    GeoCoordinate mapOrigin;
    if (!options.dem.window.path.empty()) {
        DemTerrain dem = loadDemTerrain(options.dem.window);
        if (!dem.error.empty()) {
            return fail("--dem", dem.error, 2);
        }
        flown.launch.position = start::demStartAboveCentre(*dem.terrain, options.dem.startHeight);
        if (options.dem.hasStart &&
            !(reason = start::demStartPosition(*dem.terrain, *dem.projection, options.dem.start,
                                               options.dem.startHeight, flown.launch.position))
                 .empty()) {
            return fail("--start", reason, 2);
        }
        terrain = std::move(dem.terrain);
        projection = std::move(dem.projection);
        mapOrigin = dem.origin;
    } else if (!usesScenarioTerrain(options)) {
        if (!(terrain = terrainFor(options, reason))) {
            return fail("--terrain", "cannot use '" + options.terrainPath + "': " + reason, 2);
        }
    } else {
        ScenarioGround ground = makeScenarioGround(scenario);
        if (!ground.error.empty()) {
            message = ground.error;
            return 2;
        }
        terrain = std::move(ground.terrain);
        projection = std::move(ground.projection);
        mapOrigin = ground.origin;
        flown.launch.position = ground.launchPosition;
    }

    setup.flight = makeScenarioFlight(flown, std::move(terrain));
    if (options.solverIterations > 0) {
        start::setSolverIterations(*setup.flight.world, options.solverIterations);
    }
    setup.flight.world->prepare();
    setup.options = options;
    setup.pilot = scenario.pilot;
    setup.projection = std::move(projection);
    setup.mapOrigin = mapOrigin;
    setup.csv = targets.csv;
    setup.igc = targets.igc;
    return 0;
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
    FlightSetup setup;
    std::string reason;
    if (const int status = setUpFlight(options, setup, reason)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, reason.c_str());
        return status;
    }

    OutputFile csv;
    OutputFile igc;
    if (!(reason = csv.open(setup.csv)).empty()) {
        return failWith("--csv", reason, 2);
    }
    if (!options.igcPath.empty() && !(reason = igc.open(setup.igc)).empty()) {
        return failWith("--igc", reason, 2);
    }

    start::Flight& flight = setup.flight;
    RecordingPlan plan = planFrom(options, csv.stream(), igc.stream());
    plan.pilot = &setup.pilot;
    if (setup.projection) {
        plan.origin = GeoOrigin{setup.mapOrigin.latitude, setup.mapOrigin.longitude, 0.0}; // heights are above sea level
        plan.projection = setup.projection.get();
    }
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
