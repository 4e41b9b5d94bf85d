#include "tools/flight/GliderFlight.h"

#include <cstdio>

#include "scene/DemStart.h"
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

// The terrain file the run reads, if any: the elevation model or heightmap
// named, else the windowed program's terrain.jpg (which may be absent).
std::string terrainInputOf(const FlightOptions& options) {
    if (!options.dem.window.path.empty()) {
        return options.dem.window.path;
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
// heightmap being read, or the file standard output already writes.
struct Outputs {
    OutputTarget csv;
    OutputTarget igc;
};

int resolveOutputs(const FlightOptions& options, Outputs& outputs) {
    std::string reason = resolveOutput(options.csvPath, outputs.csv);
    if (!reason.empty()) {
        return failWith("--csv", reason, 2);
    }
    if (!options.igcPath.empty() && !(reason = resolveOutput(options.igcPath, outputs.igc)).empty()) {
        return failWith("--igc", reason, 2);
    }
    const std::string terrain = terrainInputOf(options);
    const FileIdentity input = terrain.empty() ? FileIdentity() : identifyInput(terrain);
    for (const auto& [option, target] : {std::pair<const char*, const OutputTarget*>{"--csv", &outputs.csv},
                                         {"--igc", &outputs.igc}}) {
        if (sameFile(target->identity, input)) {
            return failWith(option, "'" + target->path + "' is the terrain '" + terrain + "' this run reads", 2);
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

    // Every input is checked before any output is opened: a refused run
    // creates nothing and leaves every existing file, FIFO or device as it was.
    Outputs targets;
    if (const int status = resolveOutputs(options, targets)) {
        return status;
    }
    std::string reason;
    // An elevation model brings its own terrain, start and place on the Earth.
    DemTerrain dem;
    Vector3D demStart;
    if (!options.dem.window.path.empty()) {
        dem = loadDemTerrain(options.dem.window);
        if (!dem.error.empty()) {
            return failWith("--dem", dem.error, 2);
        }
        demStart = start::demStartAboveCentre(*dem.terrain, options.dem.startHeight);
        if (options.dem.hasStart &&
            !(reason = start::demStartPosition(*dem.terrain, *dem.projection, options.dem.start,
                                               options.dem.startHeight, demStart))
                 .empty()) {
            return failWith("--start", reason, 2);
        }
    }
    std::unique_ptr<HeightField> terrain = std::move(dem.terrain);
    if (!terrain && !(terrain = terrainFor(options, reason))) {
        return failWith("--terrain", "cannot use '" + options.terrainPath + "': " + reason, 2);
    }

    OutputFile csv;
    OutputFile igc;
    if (!(reason = csv.open(targets.csv)).empty()) {
        return failWith("--csv", reason, 2);
    }
    if (!options.igcPath.empty() && !(reason = igc.open(targets.igc)).empty()) {
        return failWith("--igc", reason, 2);
    }

    start::Launch launch;
    if (dem.projection) {
        launch.position = demStart;
    }
    start::Flight flight = start::makeFlight(std::move(terrain), options.wind, options.model, launch);
    flight.world->prepare();
    RecordingPlan plan = planFrom(options, csv.stream(), igc.stream());
    if (dem.projection) {
        plan.origin = GeoOrigin{dem.origin.latitude, dem.origin.longitude, 0.0}; // heights are above sea level
        plan.projection = dem.projection.get();
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
