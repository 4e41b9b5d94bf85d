#include "tools/flight/GliderFlight.h"

#include <cstdio>

#include "scene/DemStart.h"
#include "scene/RealisticModel.h"
#include "scene/StartScene.h"
#include "tools/flight/FlightOptions.h"
#include "tools/flight/FlightRecorder.h"
#include "tools/flight/OutputFile.h"

namespace flight {

namespace {

constexpr const char* kProgram = "glider-flight";

int failWith(const char* option, const std::string& reason, int status) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, option, reason.c_str());
    return status;
}

std::unique_ptr<HeightField> terrainFor(const FlightOptions& options) {
    if (options.generatedTerrain) {
        return start::makeGeneratedTerrain();
    }
    return start::makeTerrain(options.terrainPath.empty() ? start::kTerrainFile : options.terrainPath.c_str());
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

    // Outputs first: a path that cannot be written is a bad command line, and
    // is reported before the terrain is even read.
    OutputFile csv;
    OutputFile igc;
    std::string reason = csv.open(options.csvPath);
    if (!reason.empty()) {
        return failWith("--csv", reason, 2);
    }
    if (!options.igcPath.empty() && !(reason = igc.open(options.igcPath)).empty()) {
        return failWith("--igc", reason, 2);
    }

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

    start::Launch launch = options.launch;
    if (dem.projection) {
        launch.position = demStart;
    }
    start::Flight flight = start::makeFlight(dem.terrain ? std::move(dem.terrain) : terrainFor(options),
                                             options.wind, options.model, launch);
    if (options.solverIterations > 0) {
        start::setSolverIterations(*flight.world, options.solverIterations);
    }
    flight.world->prepare();
    RecordingPlan plan = planFrom(options, csv.stream(), igc.stream());
    if (dem.projection) {
        plan.origin = GeoOrigin{dem.origin.latitude, dem.origin.longitude, 0.0}; // heights are above sea level
        plan.projection = dem.projection.get();
    }
    const FlightSummary summary = recordFlight(flight, plan);

    if (!(reason = csv.commit()).empty()) {
        return failWith("--csv", reason, 1);
    }
    if (!options.igcPath.empty() && !(reason = igc.commit()).empty()) {
        return failWith("--igc", reason, 1);
    }
    std::fprintf(stderr, "%s\n", summaryLine(summary).c_str());
    return 0;
}

} // namespace flight
