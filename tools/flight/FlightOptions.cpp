#include "flight/FlightOptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "atmosphere/ThermalField.h"
#include "scene/DemStart.h"
#include "scene/Scenario.h"
#include "scene/StartScene.h"
#include "setup/OptionChecks.h"
#include "setup/OptionValues.h"

namespace flight {

namespace {

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

// X,Y,Z,HEADING: a start within the scenario's distance from the origin,
// below the highest launch, heading clockwise from +y.
std::string readLaunch(const std::string& text, start::Launch& launch) {
    double v[4] = {0.0, 0.0, 0.0, 0.0};
    std::string reason = readNumberList(text, 4, v);
    if (!reason.empty()) {
        return reason;
    }
    if (!(std::fabs(v[0]) <= Scenario::kMaxDistance && std::fabs(v[1]) <= Scenario::kMaxDistance &&
          std::fabs(v[2]) <= kMaxLaunchHeight && v[3] >= 0.0 && v[3] < 360.0)) {
        return "X and Y must lie within " + std::to_string(static_cast<int>(Scenario::kMaxDistance / 1000.0)) +
               " km, Z within " + std::to_string(static_cast<int>(kMaxLaunchHeight)) +
               " m and HEADING in 0 to 360 degrees, got '" + text + "'";
    }
    launch.position = Vector3D(v[0], v[1], v[2]);
    launch.headingDegrees = v[3];
    return {};
}

// X,Y,UPDRAFT,RADIUS within the scenario's limits for [[air.thermal]].
std::string readThermal(const std::string& text, Thermal& thermal) {
    double v[4] = {0.0, 0.0, 0.0, 0.0};
    std::string reason = readNumberList(text, 4, v);
    if (!reason.empty()) {
        return reason;
    }
    if (!(v[2] >= 0.1 && v[2] <= ThermalField::kMaxUpdraft) ||
        !(v[3] >= updraft::kSmallestOuterRadius && v[3] <= ThermalField::kMaxRadius) ||
        !(std::fabs(v[0]) <= Scenario::kMaxDistance) || !(std::fabs(v[1]) <= Scenario::kMaxDistance)) {
        return "the updraft must lie within 0.1 to 20 m/s, the radius within 10 to 2000 m and the centre "
               "within 1000 km, got '" + text + "'";
    }
    thermal = Thermal{v[0], v[1], v[2], v[3]};
    return {};
}

// COUNT,SEED, each in the scenario's range for [air.random_thermals].
std::string readRandomThermals(const std::string& text, RandomThermals& scatter) {
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) {
        return "expected COUNT,SEED, got '" + text + "'";
    }
    long long count = 0;
    long long seed = 0;
    const long long highestSeed = std::numeric_limits<long long>::max();
    if (!readWholeNumber(text.substr(0, comma), 0, RandomThermals::kMaxCount, count).empty()) {
        return "COUNT must lie within 0 to " + std::to_string(RandomThermals::kMaxCount) + ", got '" + text + "'";
    }
    if (!readWholeNumber(text.substr(comma + 1), 0, highestSeed, seed).empty()) {
        return "SEED must lie within 0 to " + std::to_string(highestSeed) + ", got '" + text + "'";
    }
    scatter.count = static_cast<int>(count);
    scatter.seed = static_cast<std::uint64_t>(seed);
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
void describeDem(CLI::App& app, FlightOptions& options) {
    DemOptions& dem = options.dem;
    CLI::Option* demPath =
        addReadOption<std::string>(app, "--dem", dem.window.path, readFileName,
                                   "Terrain from an elevation raster GDAL reads (GeoTIFF, SRTM .hgt, ASCII grid...), "
                                   "heights in metres above sea level; the IGC log lies where the raster says")
            ->type_name("PATH")
            ->excludes("--terrain")
            ->excludes("--generated-terrain")
            ->excludes("--origin");
    addReadOption<DemRequest>(
        app, "--centre", dem.window,
        [](const std::string& text, DemRequest& window) {
            double centre[2] = {0.0, 0.0};
            const std::string reason = readGeoCoordinate(text, 2, centre);
            if (reason.empty()) {
                window.hasCentre = true;
                window.centre = GeoCoordinate{centre[0], centre[1]};
            }
            return reason;
        },
        "The window's centre, the world origin (default the raster's centre)")
        ->type_name("LAT,LON")
        ->needs(demPath);
    CLI::Option* demRadius =
        addReadOption<double>(
            app, "--dem-radius", dem.window.radius,
            [](const std::string& text, double& metres) { return readDemRadius(text, false, metres); },
            "Half the side of the square window (default 5000)")
            ->type_name("METRES")
            ->needs(demPath);
    // The same in kilometres, as earlier versions spelt it (scripts use it).
    addReadOption<double>(
        app, "--radius-km", dem.window.radius,
        [](const std::string& text, double& metres) { return readDemRadius(text, true, metres); },
        "The same in kilometres (default 5)")
        ->type_name("R")
        ->needs(demPath)
        ->excludes(demRadius);
    addReadOption<double>(app, "--spacing", dem.window.spacing, readDemSpacing,
                          "Metres between terrain samples (default about the raster's own)")
        ->type_name("M")
        ->needs(demPath);
    addReadOption<DemRequest>(
        app, "--dem-fill", dem.window,
        [](const std::string& text, DemRequest& window) {
            const std::string reason = readDemFillHeight(text, window.fillHeight);
            window.fillWithHeight = window.fillWithHeight || reason.empty();
            return reason;
        },
        "No-data cells take this height (the sea level, say) instead of their neighbours'")
        ->type_name("METRES")
        ->needs(demPath);
    addReadOption<DemOptions>(
        app, "--start", dem,
        [](const std::string& text, DemOptions& place) {
            double start[3] = {0.0, 0.0, 0.0};
            std::string reason = readGeoCoordinate(text, 3, start);
            if (!reason.empty()) {
                return reason;
            }
            // The wing hangs below the hub: lower, it would start in the ground.
            if (!(start[2] >= start::kMinDemStartHeight && start[2] <= start::kMaxDemStartHeight)) {
                return "HEIGHT must lie within " + std::to_string(static_cast<int>(start::kMinDemStartHeight)) +
                       " to " + std::to_string(static_cast<int>(start::kMaxDemStartHeight)) +
                       " m above the ground, got '" + text + "'";
            }
            place.hasStart = true;
            place.start = GeoCoordinate{start[0], start[1]};
            place.startHeight = start[2];
            return reason;
        },
        "Start the glider HEIGHT metres above the ground at LAT,LON (default " +
            std::to_string(static_cast<int>(start::kDemStartHeight)) + " m above the centre)")
        ->type_name("LAT,LON,HEIGHT")
        ->needs(demPath);
}

void describe(CLI::App& app, FlightOptions& options) {
    addReadOption<int>(
        app, "--steps", options.steps,
        [](const std::string& text, int& steps) { return readWholeNumber(text, 0, kMaxSteps, steps); },
        "Steps to run, 0.01 s each (default 6000)")
        ->type_name("N");
    app.add_flag("--until-landed", options.untilLanded,
                 "Stop after the first step that ends with the pilot on the ground");
    CLI::Option* terrain =
        addReadOption<std::string>(app, "--terrain", options.terrainPath, readFileName,
                                   "Greyscale JPEG heightmap (default terrain.jpg, else the generated terrain)")
            ->type_name("PATH");
    app.add_flag("--generated-terrain", options.generatedTerrain,
                 "The generated terrain, even where terrain.jpg exists")
        ->excludes(terrain);
    // Declared after --steps: CLI11 reads the options in the order they are
    // declared, so the run's length is known when the keys are read.
    const int* steps = &options.steps;
    addRepeatedReadOption<KeyPress>(app, "--key", options.keys,
                                    [steps](const std::string& text, KeyPress& press) {
                                        std::string reason = readKeyPress(text, press);
                                        if (reason.empty() && press.step >= *steps) {
                                            reason = "step " + std::to_string(press.step) + " of '" + text +
                                                     "' is outside the run of " + std::to_string(*steps) + " steps";
                                        }
                                        return reason;
                                    },
                                    "Before step STEP, press KEY: f1, left, right, up or down (repeatable; one "
                                    "step's keys apply in the order given)")
        ->type_name("STEP:KEY");
    addReadOption<Vector3D>(app, "--wind", options.wind, readWind, "The air's velocity in m/s (default 0,0,0)")
        ->type_name("X,Y,Z");
    app.add_option("--csv", options.csvPath, "CSV output, - for standard output (default -)")->type_name("PATH");
    addReadOption<int>(
        app, "--every", options.every,
        [](const std::string& text, int& every) { return readWholeNumber(text, 1, kMaxSteps, every); },
        "A CSV row every K steps; step 0 and the last step always (default 1)")
        ->type_name("K");
    addReadOption<std::string>(app, "--igc", options.igcPath, readFileName,
                               "Also write an IGC flight log, one fix per simulated second")
        ->type_name("PATH");
    addReadOption<GeoOrigin>(
        app, "--origin", options.origin,
        [](const std::string& text, GeoOrigin& origin) {
            double v[3] = {0.0, 0.0, 0.0};
            const std::string reason = readGeoCoordinate(text, 3, v);
            if (reason.empty()) {
                origin = GeoOrigin{v[0], v[1], v[2]};
            }
            return reason;
        },
        "The world origin on the Earth: degrees north, degrees east, metres (default 45.0,6.0,500)")
        ->type_name("LAT,LON,ELEV");
    addReadOption<CalendarDate>(app, "--date", options.date, readDate,
                                "The flight's date in the IGC log (default 2000-01-01)")
        ->type_name("YYYY-MM-DD");
    addReadOption<start::FlightModel>(
        app, "--model", options.model,
        [](const std::string& text, start::FlightModel& model) -> std::string {
            if (!start::flightModelFromName(text, model)) {
                return "expected classic or realistic, got '" + text + "'";
            }
            return {};
        },
        "The flight model: classic (the default) or realistic (real proportions, glides like a hang glider)")
        ->type_name("NAME");
    addReadOption<start::Launch>(app, "--launch", options.launch, readLaunch,
                                 "Start with the hub at X,Y,Z (m) flying towards HEADING (degrees clockwise from +y; "
                                 "default 0,150,135,180)")
        ->type_name("X,Y,Z,HEADING");
    addReadOption<int>(
        app, "--iterations", options.solverIterations,
        [](const std::string& text, int& passes) { return readWholeNumber(text, 1, kMaxSolverIterations, passes); },
        "The realistic model's cap on constraint solver passes per step (default " +
            std::to_string(start::kRealisticIterations) + ")")
        ->type_name("N");
    describeDem(app, options);
    // The scenario, the air and the pilot.
    addReadOption<std::string>(app, "--scenario", options.scenarioPath, readFileName,
                               "A TOML scenario: terrain, start, model, wind, thermals, ridge lift, pilot; the other "
                               "options override it")
        ->type_name("FILE");
    addRepeatedReadOption<Thermal>(app, "--thermal", options.thermals, readThermal,
                                   "A thermal centred at (X, Y) m with a core rising UPDRAFT m/s and RADIUS m wide "
                                   "(repeatable; replaces the scenario's)")
        ->type_name("X,Y,UPDRAFT,RADIUS");
    addReadOption<RandomThermals>(app, "--thermals-random", options.randomThermals, readRandomThermals,
                                  "COUNT thermals scattered around the start from SEED, one per km²")
        ->type_name("COUNT,SEED");
    addReadOption<int>(
        app, "--ridge-lift", options.ridgeLift,
        [](const std::string& text, int& lift) -> std::string {
            if (text != "on" && text != "off") {
                return "expected on or off, got '" + text + "'";
            }
            lift = text == "on" ? 1 : 0;
            return {};
        },
        "Lift of the wind over the terrain's slopes")
        ->type_name("on|off");
    addReadOption<PilotPlan>(app, "--pilot", options.pilot, readPilotPlan,
                             "A simple pilot flying through the five keys: hold a ground-track heading (degrees "
                             "clockwise from north), circle (X, Y) at BANK degrees (negative: to the left), or fly "
                             "back and forth between two points, or fly the task")
        ->type_name("heading:DEG|circle:X,Y,BANK|line:X1,Y1,X2,Y2|task");
    app.add_flag("--air", options.air, "Three more CSV columns: the air's velocity at the pilot (m/s)");
    // The task and the flight computer.
    addReadOption<std::string>(app, "--task", options.task, readFileName,
                               "A task from a SeeYou .cup file (its first, or the one named); replaces the "
                               "scenario's")
        ->type_name("FILE.cup[:NAME]");
    addReadOption<std::string>(
        app, "--nmea", options.nmea,
        [](const std::string& text, std::string& target) -> std::string {
            if (text.empty()) {
                return "expected udp:HOST:PORT or tcp-listen:[HOST:]PORT, got ''";
            }
            target = text;
            return {};
        },
        "Send NMEA to a flight computer, in simulated time")
        ->type_name("udp:HOST:PORT|tcp-listen:[HOST:]PORT");
    app.add_flag("--until-goal", options.untilGoal, "Stop after the first step that reaches the task's finish");
}

// What no single value says: the rules between options, checked after the
// parse; the first broken one wins.
CommandLine checkTogether(const CLI::App& app, FlightOptions options) {
    const auto given = [&app](const char* name) { return app.count(name) > 0; };
    options.modelGiven = given("--model");
    options.windGiven = given("--wind");
    options.originGiven = given("--origin");
    options.randomThermalsGiven = given("--thermals-random");
    options.hasLaunch = options.launchGiven = given("--launch");
    if (given("--launch") && given("--dem")) {
        return failure("--launch", "an elevation model places the start itself (use --start)");
    }
    // Without a scenario the model is the command line's; a scenario's own
    // model is known once it is read (iterationsProblem).
    if (given("--iterations") && options.scenarioPath.empty() && options.model != start::FlightModel::Realistic) {
        return failure("--iterations", "only the realistic model's solver takes a cap (add --model realistic)");
    }
    if (given("--iterations") && options.modelGiven && options.model != start::FlightModel::Realistic) {
        return failure("--iterations", "only the realistic model's solver takes a cap (use --model realistic)");
    }
    std::stable_sort(options.keys.begin(), options.keys.end(),
                     [](const KeyPress& a, const KeyPress& b) { return a.step < b.step; });
    if (options.csvPath.empty()) {
        return failure("--csv", "expected a file name or -, got ''");
    }
    if (options.igcPath == "-") {
        return failure("--igc", "expected a file name; standard output carries only the CSV");
    }
    if (!options.igcPath.empty() && options.igcPath == options.csvPath) {
        return failure("--igc", "'" + options.igcPath + "' is also the --csv output");
    }
    if (!given("--start")) {
        options.dem.startHeight = start::kDemStartHeight;
    }
    CommandLine line;
    line.options = std::move(options);
    return line;
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
    describe(app, options);
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
    return checkTogether(app, std::move(options));
}

} // namespace flight
