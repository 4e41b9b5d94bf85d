#include "tools/flight/FlightOptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "atmosphere/ThermalField.h"
#include "scene/DemStart.h"
#include "scene/StartScene.h"
#include "setup/OptionChecks.h"
#include "setup/OptionValues.h"

namespace flight {

namespace {

// Option texts as CLI11 collected them; numbers are read strictly afterwards
// so that every malformed value gets a message naming its option.
struct RawOptions {
    std::string steps;
    std::vector<std::string> keys;
    std::string wind;
    std::string every;
    std::string igc;
    std::string origin;
    std::string date;
    std::string model;
    std::string launch;
    std::string iterations;
    // The elevation model's options.
    std::string dem;
    std::string centre;
    std::string radius;
    std::string demRadius;
    std::string spacing;
    std::string fill;
    std::string start;
    // The scenario, the air and the pilot.
    std::vector<std::string> thermals;
    std::string randomThermals;
    std::string ridgeLift;
    std::string pilot;
};

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// STEP:KEY, with STEP a whole number from 0 and KEY a key name.
std::string readKeyPress(const std::string& text, KeyPress& press) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return "expected STEP:KEY (for example 250:left), got " + quoted(text);
    }
    int step = 0;
    const std::string stepError =
        readWholeNumber(text.substr(0, colon), 0, std::numeric_limits<int>::max(), step);
    if (!stepError.empty()) {
        return "step of " + quoted(text) + ": " + stepError;
    }
    const std::string name = text.substr(colon + 1);
    PilotCommand key = PilotCommand::None;
    if (!commandFromKeyName(name, key)) {
        return "unknown key " + quoted(name) + " in " + quoted(text) + " (keys: f1, left, right, up, down)";
    }
    press = KeyPress{step, key};
    return {};
}

CommandLine failure(const std::string& option, const std::string& reason) {
    CommandLine line;
    line.outcome = CommandLine::Outcome::Error;
    line.message = option + ": " + reason;
    return line;
}

// The elevation model replaces the heightmap and places the world on the
// Earth by itself, so it excludes both.
void describeDem(CLI::App& app, RawOptions& raw) {
    CLI::Option* dem =
        app.add_option("--dem", raw.dem,
                       "Terrain from an elevation raster GDAL reads (GeoTIFF, SRTM .hgt, ASCII grid...), heights "
                       "in metres above sea level; the IGC log lies where the raster says")
            ->type_name("PATH")
            ->excludes("--terrain")
            ->excludes("--generated-terrain")
            ->excludes("--origin");
    app.add_option("--centre", raw.centre, "The window's centre, the world origin (default the raster's centre)")
        ->type_name("LAT,LON")
        ->needs(dem)
        ->check(geoCoordinateCheck(2));
    CLI::Option* demRadius =
        app.add_option("--dem-radius", raw.demRadius, "Half the side of the square window (default 5000)")
            ->type_name("METRES")
            ->needs(dem);
    // The same in kilometres, as earlier versions spelt it (scripts use it).
    app.add_option("--radius-km", raw.radius, "The same in kilometres (default 5)")
        ->type_name("R")
        ->needs(dem)
        ->excludes(demRadius);
    app.add_option("--spacing", raw.spacing, "Metres between terrain samples (default about the raster's own)")
        ->type_name("M")
        ->needs(dem);
    app.add_option("--dem-fill", raw.fill,
                   "No-data cells take this height (the sea level, say) instead of their neighbours'")
        ->type_name("METRES")
        ->needs(dem);
    app.add_option("--start", raw.start,
                   "Start the glider HEIGHT metres above the ground at LAT,LON (default " +
                       std::to_string(static_cast<int>(start::kDemStartHeight)) + " m above the centre)")
        ->type_name("LAT,LON,HEIGHT")
        ->needs(dem)
        ->check(geoCoordinateCheck(3));
}

// The elevation model's values; the first bad one wins.
CommandLine readDemValues(const CLI::App& app, const RawOptions& raw, FlightOptions options) {
    const auto given = [&app](const char* name) { return app.count(name) > 0; };
    DemOptions& dem = options.dem;
    std::string reason;
    if (given("--dem") && raw.dem.empty()) {
        return failure("--dem", "expected a file name, got ''");
    }
    dem.window.path = raw.dem;
    if (given("--centre")) {
        double centre[2] = {0.0, 0.0};
        if (!(reason = readGeoCoordinate(raw.centre, 2, centre)).empty()) {
            return failure("--centre", reason);
        }
        dem.window.hasCentre = true;
        dem.window.centre = GeoCoordinate{centre[0], centre[1]};
    }
    if (given("--dem-radius")) {
        if (!(reason = readFiniteNumber(raw.demRadius, dem.window.radius)).empty()) {
            return failure("--dem-radius", reason);
        }
        if (!(dem.window.radius > 0.0 && dem.window.radius <= kMaxDemRadius)) {
            return failure("--dem-radius", "must lie above 0 and within " +
                                               std::to_string(static_cast<int>(kMaxDemRadius)) + " m, got '" +
                                               raw.demRadius + "'");
        }
    }
    if (given("--radius-km")) {
        double radius = 0.0;
        if (!(reason = readFiniteNumber(raw.radius, radius)).empty()) {
            return failure("--radius-km", reason);
        }
        if (!(radius > 0.0 && radius * 1000.0 <= kMaxDemRadius)) {
            return failure("--radius-km", "must lie above 0 and within " +
                                              std::to_string(static_cast<int>(kMaxDemRadius / 1000.0)) +
                                              " km, got '" + raw.radius + "'");
        }
        dem.window.radius = radius * 1000.0;
    }
    if (given("--spacing")) {
        if (!(reason = readFiniteNumber(raw.spacing, dem.window.spacing)).empty()) {
            return failure("--spacing", reason);
        }
        if (!(dem.window.spacing >= kMinDemSpacing && dem.window.spacing <= kMaxDemSpacing)) {
            return failure("--spacing", "must lie within 0.1 to " +
                                            std::to_string(static_cast<int>(kMaxDemSpacing)) + " m, got '" +
                                            raw.spacing + "'");
        }
    }
    if (given("--dem-fill")) {
        if (!(reason = readFiniteNumber(raw.fill, dem.window.fillHeight)).empty()) {
            return failure("--dem-fill", reason);
        }
        dem.window.fillWithHeight = true;
    }
    dem.startHeight = start::kDemStartHeight;
    if (given("--start")) {
        double start[3] = {0.0, 0.0, 0.0};
        if (!(reason = readGeoCoordinate(raw.start, 3, start)).empty()) {
            return failure("--start", reason);
        }
        // The wing hangs below the hub: lower, it would start in the ground.
        if (!(start[2] >= start::kMinDemStartHeight && start[2] <= start::kMaxDemStartHeight)) {
            return failure("--start", "HEIGHT must lie within " + std::to_string(static_cast<int>(start::kMinDemStartHeight)) +
                                          " to " + std::to_string(static_cast<int>(start::kMaxDemStartHeight)) +
                                          " m above the ground, got '" + raw.start + "'");
        }
        dem.hasStart = true;
        dem.start = GeoCoordinate{start[0], start[1]};
        dem.startHeight = start[2];
    }
    CommandLine line;
    line.options = std::move(options);
    return line;
}

void describe(CLI::App& app, FlightOptions& options, RawOptions& raw) {
    app.add_option("--steps", raw.steps, "Steps to run, 0.01 s each (default 6000)")->type_name("N");
    app.add_flag("--until-landed", options.untilLanded,
                 "Stop after the first step that ends with the pilot on the ground");
    CLI::Option* terrain = app.add_option("--terrain", options.terrainPath,
                                          "Greyscale JPEG heightmap (default terrain.jpg, else the generated terrain)")
                               ->type_name("PATH");
    app.add_flag("--generated-terrain", options.generatedTerrain,
                 "The generated terrain, even where terrain.jpg exists")
        ->excludes(terrain);
    app.add_option("--key", raw.keys,
                   "Before step STEP, press KEY: f1, left, right, up or down (repeatable; one step's keys "
                   "apply in the order given)")
        ->type_name("STEP:KEY")
        ->allow_extra_args(false);
    app.add_option("--wind", raw.wind, "The air's velocity in m/s (default 0,0,0)")
        ->type_name("X,Y,Z")
        ->check(windCheck());
    app.add_option("--csv", options.csvPath, "CSV output, - for standard output (default -)")->type_name("PATH");
    app.add_option("--every", raw.every, "A CSV row every K steps; step 0 and the last step always (default 1)")
        ->type_name("K");
    app.add_option("--igc", raw.igc, "Also write an IGC flight log, one fix per simulated second")
        ->type_name("PATH");
    app.add_option("--origin", raw.origin,
                   "The world origin on the Earth: degrees north, degrees east, metres (default 45.0,6.0,500)")
        ->type_name("LAT,LON,ELEV")
        ->check(geoCoordinateCheck(3));
    app.add_option("--date", raw.date, "The flight's date in the IGC log (default 2000-01-01)")
        ->type_name("YYYY-MM-DD");
    app.add_option("--model", raw.model,
                   "The flight model: classic (the default) or realistic (real proportions, glides like a "
                   "hang glider)")
        ->type_name("NAME");
    app.add_option("--launch", raw.launch,
                   "Start with the hub at X,Y,Z (m) flying towards HEADING (degrees clockwise from +y; default "
                   "0,150,135,180)")
        ->type_name("X,Y,Z,HEADING");
    app.add_option("--iterations", raw.iterations,
                   "The realistic model's cap on constraint solver passes per step (default " +
                       std::to_string(start::kRealisticIterations) + ")")
        ->type_name("N");
    describeDem(app, raw);
    // The scenario, the air and the pilot.
    app.add_option("--scenario", options.scenarioPath,
                   "A TOML scenario: terrain, start, model, wind, thermals, ridge lift, pilot; the other options "
                   "override it")
        ->type_name("FILE");
    app.add_option("--thermal", raw.thermals,
                   "A thermal centred at (X, Y) m with a core rising UPDRAFT m/s and RADIUS m wide (repeatable; "
                   "replaces the scenario's)")
        ->type_name("X,Y,UPDRAFT,RADIUS")
        ->allow_extra_args(false);
    app.add_option("--thermals-random", raw.randomThermals,
                   "COUNT thermals scattered around the start from SEED, one per km²")
        ->type_name("COUNT,SEED");
    app.add_option("--ridge-lift", raw.ridgeLift, "Lift of the wind over the terrain's slopes")->type_name("on|off");
    app.add_option("--pilot", raw.pilot,
                   "A simple pilot flying through the five keys: hold a ground-track heading (degrees clockwise "
                   "from north), circle (X, Y) at BANK degrees (negative: to the left), or fly back and forth "
                   "between two points, or fly the task")
        ->type_name("heading:DEG|circle:X,Y,BANK|line:X1,Y1,X2,Y2|task");
    app.add_flag("--air", options.air, "Three more CSV columns: the air's velocity at the pilot (m/s)");
    // The task and the flight computer.
    app.add_option("--task", options.task,
                   "A task from a SeeYou .cup file (its first, or the one named); replaces the scenario's")
        ->type_name("FILE.cup[:NAME]");
    app.add_option("--nmea", options.nmea, "Send NMEA to a flight computer, in simulated time")
        ->type_name("udp:HOST:PORT|tcp-listen:[HOST:]PORT");
    app.add_flag("--until-goal", options.untilGoal, "Stop after the first step that reaches the task's finish");
}

// The scenario, air and pilot options; the first bad value wins.
std::string readAirValues(const CLI::App& app, const RawOptions& raw, FlightOptions& options, std::string& option) {
    std::string reason;
    options.modelGiven = app.count("--model") > 0;
    options.windGiven = app.count("--wind") > 0;
    if (app.count("--scenario") > 0 && options.scenarioPath.empty()) {
        option = "--scenario";
        return "expected a file name, got ''";
    }
    for (const std::string& text : raw.thermals) {
        option = "--thermal";
        double v[4] = {0.0, 0.0, 0.0, 0.0};
        if (!(reason = readNumberList(text, 4, v)).empty()) {
            return reason;
        }
        if (!(v[2] >= 0.1 && v[2] <= ThermalField::kMaxUpdraft) ||
            !(v[3] >= updraft::kSmallestOuterRadius && v[3] <= ThermalField::kMaxRadius) ||
            std::fabs(v[0]) > 1.0e6 || std::fabs(v[1]) > 1.0e6) {
            return "the updraft must lie within 0.1 to 20 m/s, the radius within 10 to 2000 m and the centre "
                   "within 1000 km, got '" + text + "'";
        }
        options.thermals.push_back(Thermal{v[0], v[1], v[2], v[3]});
    }
    if (app.count("--thermals-random") > 0) {
        option = "--thermals-random";
        const std::size_t comma = raw.randomThermals.find(',');
        int count = 0;
        int seed = 0;
        if (comma == std::string::npos) {
            return "expected COUNT,SEED, got '" + raw.randomThermals + "'";
        }
        if (!(reason = readWholeNumber(raw.randomThermals.substr(0, comma), 0, RandomThermals::kMaxCount, count))
                 .empty() ||
            !(reason = readWholeNumber(raw.randomThermals.substr(comma + 1), 0, 2147483647, seed)).empty()) {
            return reason;
        }
        options.randomThermals.count = count;
        options.randomThermals.seed = static_cast<std::uint64_t>(seed);
        options.randomThermalsGiven = true;
    }
    if (app.count("--ridge-lift") > 0) {
        option = "--ridge-lift";
        if (raw.ridgeLift != "on" && raw.ridgeLift != "off") {
            return "expected on or off, got '" + raw.ridgeLift + "'";
        }
        options.ridgeLift = raw.ridgeLift == "on" ? 1 : 0;
    }
    if (app.count("--pilot") > 0) {
        option = "--pilot";
        if (!(reason = readPilotPlan(raw.pilot, options.pilot)).empty()) {
            return reason;
        }
    }
    return {};
}

// Reads every collected text into `options`; the first bad value wins.
CommandLine readValues(const CLI::App& app, const RawOptions& raw, FlightOptions options) {
    const auto given = [&app](const char* name) { return app.count(name) > 0; };
    std::string reason;
    if (given("--steps") && !(reason = readWholeNumber(raw.steps, 0, kMaxSteps, options.steps)).empty()) {
        return failure("--steps", reason);
    }
    if (given("--every") && !(reason = readWholeNumber(raw.every, 1, kMaxSteps, options.every)).empty()) {
        return failure("--every", reason);
    }
    if (given("--wind") && !(reason = readWind(raw.wind, options.wind)).empty()) {
        return failure("--wind", reason);
    }
    if (given("--origin")) {
        double origin[3] = {0.0, 0.0, 0.0};
        if (!(reason = readGeoCoordinate(raw.origin, 3, origin)).empty()) {
            return failure("--origin", reason);
        }
        options.origin = GeoOrigin{origin[0], origin[1], origin[2]};
    }
    if (given("--date") && !(reason = readDate(raw.date, options.date)).empty()) {
        return failure("--date", reason);
    }
    if (given("--model") && !start::flightModelFromName(raw.model, options.model)) {
        return failure("--model", "expected classic or realistic, got '" + raw.model + "'");
    }
    if (given("--launch") && given("--dem")) {
        return failure("--launch", "an elevation model places the start itself (use --start)");
    }
    if (given("--launch")) {
        double launch[4] = {0.0, 0.0, 0.0, 0.0};
        if (!(reason = readNumberList(raw.launch, 4, launch)).empty()) {
            return failure("--launch", reason);
        }
        if (!(std::fabs(launch[0]) <= 1e7 && std::fabs(launch[1]) <= 1e7 && std::fabs(launch[2]) <= kMaxLaunchHeight &&
              launch[3] >= 0.0 && launch[3] < 360.0)) {
            return failure("--launch", "X and Y must lie within 10000 km, Z within " +
                                           std::to_string(static_cast<int>(kMaxLaunchHeight)) +
                                           " m and HEADING in 0 to 360 degrees, got '" + raw.launch + "'");
        }
        options.hasLaunch = true;
        options.launch.position = Vector3D(launch[0], launch[1], launch[2]);
        options.launch.headingDegrees = launch[3];
        options.launchGiven = true;
    }
    if (given("--iterations")) {
        if (!(reason = readWholeNumber(raw.iterations, 1, kMaxSolverIterations, options.solverIterations)).empty()) {
            return failure("--iterations", reason);
        }
        if (options.model != start::FlightModel::Realistic) {
            return failure("--iterations", "only the realistic model's solver takes a cap (add --model realistic)");
        }
    }
    for (const std::string& text : raw.keys) {
        KeyPress press;
        if (!(reason = readKeyPress(text, press)).empty()) {
            return failure("--key", reason);
        }
        if (press.step >= options.steps) {
            return failure("--key", "step " + std::to_string(press.step) + " of '" + text +
                                        "' is outside the run of " + std::to_string(options.steps) + " steps");
        }
        options.keys.push_back(press);
    }
    std::stable_sort(options.keys.begin(), options.keys.end(),
                     [](const KeyPress& a, const KeyPress& b) { return a.step < b.step; });
    if (given("--terrain") && options.terrainPath.empty()) {
        return failure("--terrain", "expected a file name, got ''");
    }
    if (options.csvPath.empty()) {
        return failure("--csv", "expected a file name or -, got ''");
    }
    options.igcPath = raw.igc;
    if (given("--igc") && raw.igc.empty()) {
        return failure("--igc", "expected a file name, got ''");
    }
    if (raw.igc == "-") {
        return failure("--igc", "expected a file name; standard output carries only the CSV");
    }
    if (!raw.igc.empty() && raw.igc == options.csvPath) {
        return failure("--igc", "'" + raw.igc + "' is also the --csv output");
    }
    std::string option;
    if (!(reason = readAirValues(app, raw, options, option)).empty()) {
        return failure(option, reason);
    }
    return readDemValues(app, raw, std::move(options));
}

} // namespace

bool commandFromKeyName(const std::string& name, PilotCommand& key) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "f1") {
        key = PilotCommand::Reset;
    } else if (lower == "left") {
        key = PilotCommand::Left;
    } else if (lower == "right") {
        key = PilotCommand::Right;
    } else if (lower == "up") {
        key = PilotCommand::Fore;
    } else if (lower == "down") {
        key = PilotCommand::Aft;
    } else {
        return false;
    }
    return true;
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CLI::App app{"Flies the glider without a window, as fast as the machine allows, and records its "
                 "trajectory as CSV (and optionally as an IGC flight log). Ends with a summary line on "
                 "standard error.",
                 "glider-flight"};
    FlightOptions options;
    RawOptions raw;
    describe(app, options, raw);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // Help wins over any value the parse refused.
        CommandLine line;
        if (dynamic_cast<const CLI::CallForHelp*>(&error) != nullptr || flight::asksForHelp(argc, argv)) {
            line.outcome = CommandLine::Outcome::Help;
            line.message = app.help();
            return line;
        }
        line.outcome = CommandLine::Outcome::Error;
        line.message = error.what();
        return line;
    }
    return readValues(app, raw, std::move(options));
}

} // namespace flight
