#include "pilot/PilotOptions.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

#include "pilot/CameraRig.h"
#include "setup/OptionChecks.h"
#include "setup/OptionValues.h"

namespace {

PilotCommandLine failure(const std::string& option, const std::string& reason) {
    PilotCommandLine line;
    line.outcome = PilotCommandLine::Outcome::Error;
    line.message = option + ": " + reason;
    return line;
}

struct RawOptions {
    std::string size;
    std::string dem;
};

} // namespace

PilotCommandLine parsePilotCommandLine(int argc, const char* const* argv) {
    CLI::App app{"Fly the hang glider: an interactive simulator with instruments, an audible variometer, "
                 "pause, replay and game controllers. Every flight is recorded (IGC and CSV).",
                 "glider-pilot"};
    PilotOptions options;
    RawOptions raw;
    app.add_option("scenario", options.scenarioPath, "Scenario file (TOML); default: the ridge")->type_name("SCENARIO.toml");
    app.add_option("--model", options.model, "Flight model: realistic (default) or classic")->type_name("NAME");
    CLI::Option* terrain =
        app.add_option("--terrain", options.terrainPath, "Greyscale JPEG heightmap, 1 m per pixel")->type_name("PATH");
    CLI::Option* generated =
        app.add_flag("--generated-terrain", options.generatedTerrain, "The generated rolling terrain")->excludes(terrain);
    CLI::Option* dem = app.add_option("--dem", raw.dem,
                                      "Terrain from an elevation raster GDAL reads (GeoTIFF, SRTM .hgt...), the "
                                      "glider 135 m above its centre")
                           ->type_name("PATH")
                           ->excludes(terrain)
                           ->excludes(generated);
    flight::addReadOption<double>(
        app, "--dem-radius", options.dem.radius,
        [](const std::string& text, double& metres) { return flight::readDemRadius(text, false, metres); },
        "Half the side of the elevation model's window (default 5000)")
        ->type_name("METRES")
        ->needs(dem);
    // glider-flight's names for the same, so that advice about one holds for both.
    flight::addReadOption<double>(app, "--spacing", options.dem.spacing, flight::readDemSpacing,
                                  "Metres between the elevation model's samples (default about the raster's own)")
        ->type_name("METRES")
        ->needs(dem);
    flight::addReadOption<DemRequest>(
        app, "--dem-fill", options.dem,
        [](const std::string& text, DemRequest& window) {
            const std::string reason = flight::readDemFillHeight(text, window.fillHeight);
            window.fillWithHeight = window.fillWithHeight || reason.empty();
            return reason;
        },
        "No-data cells take this height (the sea level, say) instead of their neighbours'")
        ->type_name("METRES")
        ->needs(dem);
    app.add_option("--imagery", options.imageryPath,
                   "Aerial imagery drawn on the elevation model (any georeferenced raster GDAL reads: an "
                   "orthophoto, a satellite true-colour tile)")
        ->type_name("PATH");
    flight::addReadOption<Vector3D>(app, "--wind", options.wind, flight::readWind, "The air's velocity in m/s")
        ->type_name("X,Y,Z");
    app.add_option("--replay", options.replayPath, "Play a recorded flight back (the recorder's CSV)")
        ->type_name("FILE.csv");
    app.add_option("--flights", options.flightsDirectory, "Folder for the flight recordings (default flights)")
        ->type_name("DIR");
    app.add_option("--camera", options.camera, "Start with this view: chase, pilot, orbit or ground")
        ->type_name("NAME");
    app.add_flag("--mute", options.mute, "Start with the variometer silent");
    app.add_option("--size", raw.size, "Window size in pixels (default 1024x768)")->type_name("WxH");
    // The task and the flight computer.
    app.add_option("--task", options.task, "A task from a SeeYou .cup file (its first, or the one named)")
        ->type_name("FILE.cup[:NAME]");
    app.add_option("--nmea", options.nmea, "Send live NMEA to a flight computer (XCSoar, LK8000, XCTrack)")
        ->type_name("udp:HOST:PORT|tcp-listen:[HOST:]PORT");
    app.add_option("--quit-after", options.quitAfter, "Close by itself after this many seconds")
        ->type_name("SECONDS")
        ->check(flight::numberCheck([](double seconds) { return seconds > 0.0; }, "must be more than 0 seconds"));
    app.add_flag("--stats", options.stats, "Print frame rate and pacing figures on standard error at exit");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help wins over any value the parse refused.
        PilotCommandLine line;
        if (dynamic_cast<const CLI::CallForHelp*>(&error) != nullptr || flight::asksForHelp(argc, argv)) {
            line.outcome = PilotCommandLine::Outcome::Help;
            line.message = app.help();
            return line;
        }
        line.outcome = PilotCommandLine::Outcome::Error;
        line.message = error.what();
        return line;
    }

    options.modelGiven = app.count("--model") > 0;
    options.windGiven = app.count("--wind") > 0;
    if (options.model != "realistic" && options.model != "classic") {
        return failure("--model", "expected realistic or classic, got '" + options.model + "'");
    }
    if (app.count("--terrain") > 0 && options.terrainPath.empty()) {
        return failure("--terrain", "expected a file name, got ''");
    }
    if (app.count("--dem") > 0) {
        if (raw.dem.empty()) {
            return failure("--dem", "expected a file name, got ''");
        }
        options.dem.path = raw.dem;
    }
    if (app.count("--imagery") > 0 && options.imageryPath.empty()) {
        return failure("--imagery", "expected a file name, got ''");
    }
    if (app.count("--replay") > 0 && options.replayPath.empty()) {
        return failure("--replay", "expected a file name, got ''");
    }
    // A FIFO or device would block the start or never end: only a file replays.
    struct stat info;
    if (!options.replayPath.empty() && ::stat(options.replayPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return failure("--replay", "'" + options.replayPath + "' is not a regular file");
    }
    if (options.flightsDirectory.empty()) {
        return failure("--flights", "expected a folder name, got ''");
    }
    if (::lstat(options.flightsDirectory.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        ::stat(options.flightsDirectory.c_str(), &info) != 0) {
        return failure("--flights", "'" + options.flightsDirectory + "' is a symbolic link to nothing (" +
                                        std::strerror(errno) + ")");
    }
    CameraRig::Mode mode;
    if (app.count("--camera") > 0 && !CameraRig::modeFromName(options.camera.c_str(), mode)) {
        return failure("--camera", "expected chase, pilot, orbit or ground, got '" + options.camera + "'");
    }
    if (app.count("--size") > 0) {
        const std::size_t cross = raw.size.find('x');
        int w = 0;
        int h = 0;
        if (cross == std::string::npos ||
            !flight::readWholeNumber(raw.size.substr(0, cross), 64, 16384, w).empty() ||
            !flight::readWholeNumber(raw.size.substr(cross + 1), 64, 16384, h).empty()) {
            return failure("--size", "expected WIDTHxHEIGHT, each 64 to 16384 pixels, got '" + raw.size + "'");
        }
        options.width = w;
        options.height = h;
    }
    PilotCommandLine line;
    line.options = std::move(options);
    return line;
}
