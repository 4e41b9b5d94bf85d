// glider-pilot's command line and its settings file: what is accepted, what
// is refused with a line naming the option or file, and settings that
// survive a save and a load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "pilot/PilotFlight.h"
#include "pilot/PilotOptions.h"
#include "pilot/PilotSettings.h"
#include "tests/pilot/Scratch.h"
#include "tests/support/DemTestFiles.h"

namespace {

PilotCommandLine parse(std::vector<std::string> words) {
    words.insert(words.begin(), "glider-pilot");
    std::vector<const char*> argv;
    for (const std::string& w : words) {
        argv.push_back(w.c_str());
    }
    return parsePilotCommandLine(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(PilotOptions, ReadsEveryOption) {
    const PilotCommandLine none = parse({});
    ASSERT_EQ(none.outcome, PilotCommandLine::Outcome::Run);
    EXPECT_EQ(none.options.model, "realistic");
    EXPECT_EQ(none.options.flightsDirectory, "flights");
    EXPECT_EQ(none.options.width, 1024);

    const PilotCommandLine all = parse({"ridge.toml", "--model", "classic", "--terrain", "t.jpg", "--wind", "1,-2,0.5",
                                        "--camera", "orbit", "--mute", "--quit-after", "2.5", "--size", "800x600",
                                        "--flights", "logs", "--stats"});
    const PilotCommandLine dem =
        parse({"--dem", "n45e006.hgt", "--dem-radius", "2500", "--spacing", "20", "--dem-fill", "-3.5"});
    ASSERT_EQ(dem.outcome, PilotCommandLine::Outcome::Run) << dem.message;
    EXPECT_EQ(dem.options.dem.path, "n45e006.hgt");
    EXPECT_EQ(dem.options.dem.radius, 2500.0);
    EXPECT_EQ(dem.options.dem.spacing, 20.0);
    EXPECT_TRUE(dem.options.dem.fillWithHeight);
    EXPECT_EQ(dem.options.dem.fillHeight, -3.5);
    EXPECT_FALSE(dem.options.modelGiven);
    ASSERT_EQ(all.outcome, PilotCommandLine::Outcome::Run) << all.message;
    EXPECT_EQ(all.options.scenarioPath, "ridge.toml");
    EXPECT_EQ(all.options.model, "classic");
    EXPECT_TRUE(all.options.modelGiven);
    EXPECT_EQ(all.options.terrainPath, "t.jpg");
    EXPECT_EQ(all.options.wind, Vector3D(1.0, -2.0, 0.5));
    EXPECT_TRUE(all.options.windGiven);
    EXPECT_EQ(all.options.camera, "orbit");
    EXPECT_TRUE(all.options.mute);
    EXPECT_EQ(all.options.quitAfter, 2.5);
    EXPECT_EQ(all.options.width, 800);
    EXPECT_EQ(all.options.height, 600);
    EXPECT_EQ(all.options.flightsDirectory, "logs");
    EXPECT_EQ(parse({"--help"}).outcome, PilotCommandLine::Outcome::Help);
}

TEST(PilotOptions, RefusesBadValuesNamingTheOption) {
    Scratch scratch;
    ASSERT_EQ(::mkfifo(scratch.file("fifo.csv").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("gone", scratch.file("dangling").c_str()), 0);
    const struct {
        std::vector<std::string> words;
        std::string prefix;
    } cases[] = {
        {{"--model", "glider"}, "--model: "},
        {{"--wind", "1,2"}, "--wind: "},
        {{"--wind", "0,0,500"}, "--wind: "},
        {{"--camera", "cockpit"}, "--camera: "},
        {{"--quit-after", "0"}, "--quit-after: "},
        {{"--quit-after", "soon"}, "--quit-after: "},
        {{"--size", "800"}, "--size: "},
        {{"--size", "10x10"}, "--size: "},
        {{"--terrain", ""}, "--terrain: "},
        {{"--replay", ""}, "--replay: "},
        {{"--flights", ""}, "--flights: "},
        {{"--terrain", "a.jpg", "--generated-terrain"}, ""},
        {{"--bogus"}, ""},
        {{"--dem", ""}, "--dem: "},
        {{"--dem", "a.tif", "--dem-radius", "0.5"}, "--dem-radius: must lie within 1 to 250000 m, got '0.5'"},
        {{"--dem", "a.tif", "--dem-radius", "250001"}, "--dem-radius: must lie within 1 to 250000 m"},
        {{"--dem", "a.tif", "--spacing", "0"}, "--spacing: must lie within 0.1 to 10000 m"},
        {{"--dem", "a.tif", "--dem-fill", "1e20"}, "--dem-fill: the fill height must lie within -12000 to 10000 m"},
        {{"--spacing", "20"}, ""},
        {{"--camera", ""}, "--camera: expected chase, pilot, orbit or ground, got ''"},
        {{"--replay", scratch.file("fifo.csv")}, "--replay: '" + scratch.file("fifo.csv") + "' is not a regular file"},
        {{"--replay", scratch.path()}, "--replay: "},
        {{"--flights", scratch.file("dangling")},
         "--flights: '" + scratch.file("dangling") + "' is a symbolic link to nothing"},
        {{"--dem", "a.tif", "--terrain", "b.jpg"}, ""},
        {{"--dem-radius", "1000"}, ""},
    };
    for (const auto& c : cases) {
        const PilotCommandLine line = parse(c.words);
        EXPECT_EQ(line.outcome, PilotCommandLine::Outcome::Error) << c.words[0];
        EXPECT_EQ(line.message.rfind(c.prefix, 0), 0u) << line.message;
        EXPECT_EQ(line.message.find('\n'), std::string::npos) << line.message;
    }
}

TEST(PilotFlight, FliesTheRidgeUnlessToldOtherwiseAndRefusesWhatItCannotUse) {
    Scratch scratch;
    PilotOptions options;
    PilotFlight flight;
    ASSERT_EQ(flight.build(options), "");
    EXPECT_STREQ(flight.modelName(), "realistic");
    EXPECT_GT(flight.terrain().highest() - flight.terrain().lowest(), 50.0); // the ridge
    EXPECT_NE(flight.world().airField().velocityAt(flight.glider().pilotParticle().position, 0.0).y, 0.0);

    options.terrainPath = scratch.file("missing.jpg");
    EXPECT_EQ(flight.build(options).rfind(options.terrainPath + ": ", 0), 0u);
    options.terrainPath.clear();
    options.scenarioPath = scratch.file("missing.toml");
    EXPECT_NE(flight.build(options).find(options.scenarioPath), std::string::npos);
    writeText(options.scenarioPath, "model = \"jet\"\n");
    EXPECT_NE(flight.build(options).find(options.scenarioPath), std::string::npos);

    // A named scenario keeps its own model unless --model is given.
    writeText(options.scenarioPath, "model = \"classic\"\n[terrain]\nsource = \"flat\"\n");
    ASSERT_EQ(flight.build(options), "");
    EXPECT_STREQ(flight.modelName(), "classic");
    options.modelGiven = true;
    options.windGiven = true;
    options.wind = Vector3D(2.0, 0.0, 0.0);
    ASSERT_EQ(flight.build(options), "");
    EXPECT_STREQ(flight.modelName(), "realistic");
    EXPECT_EQ(flight.world().windVelocity(), Vector3D(2.0, 0.0, 0.0));

    // The reset puts the glider back at the launch with the weight centred.
    flight.setWeightShift(1.0, -1.0);
    for (int i = 0; i < 100; ++i) {
        flight.world().step();
    }
    flight.reset();
    EXPECT_NEAR(flight.lateralShift(), 0.0, 1e-9);
    EXPECT_NEAR(flight.glider().hubParticle().position.distanceTo(flight.flight().launch.position), 0.0, 1e-9);
}

// A scenario over an elevation model: its raster's window, the launch above
// the ground at the scenario's place, and the map the flight log needs.
TEST(PilotFlight, AScenariosElevationModelIsFlownWhereItLiesOnTheEarth) {
    Scratch scratch;
    demtest::writeGeoTiff(scratch.file("site.tif"), demtest::Grid{120, 120, 7.4, 46.5, 1.0 / 1200.0},
                          [](double east, double) { return 1000.0 + (east - 7.4) * 1200.0; });
    PilotOptions options;
    options.scenarioPath = scratch.file("site.toml");
    writeText(options.scenarioPath, "[terrain]\nsource = \"dem\"\npath = \"site.tif\"\ncentre = [46.45, 7.45]\n"
                                    "radius_km = 2\n[start]\nat = [46.45, 7.46]\nheight = 250\n");
    PilotFlight flight;
    ASSERT_EQ(flight.build(options), "");
    ASSERT_NE(flight.placement().projection, nullptr);
    EXPECT_NEAR(flight.placement().origin.latitude, 46.45, 1e-9);
    EXPECT_NEAR(flight.placement().origin.longitude, 7.45, 1e-9);
    EXPECT_EQ(flight.placement().origin.elevation, 0.0); // heights are above sea level already
    const Vector3D launch = flight.flight().launch.position;
    EXPECT_NEAR(launch.x, 767.0, 2.0);
    EXPECT_NEAR(launch.z - flight.terrain().heightAt(launch.x, launch.y), 250.0, 1e-9);
    EXPECT_GT(flight.terrain().lowest(), 1000.0);

    writeText(options.scenarioPath, "[terrain]\nsource = \"dem\"\npath = \"gone.tif\"\n");
    EXPECT_EQ(flight.build(options).rfind(options.scenarioPath + ": terrain.path: ", 0), 0u);
}

TEST(PilotSettings, SurviveASaveAndALoad) {
    Scratch scratch;
    const std::string path = scratch.file("config/glider-sim/pilot.toml");
    PilotSettings missing;
    EXPECT_EQ(PilotSettings::load(path, missing), ""); // no file yet: defaults
    PilotSettings saved;
    saved.volume = 0.25;
    saved.muted = true;
    saved.camera = "ground";
    saved.climbThreshold = 0.3;
    saved.sinkThreshold = -1.5;
    saved.deadZone = 0.2;
    saved.invertFore = true;
    saved.lateralAxis = 3;
    saved.foreAxis = 4;
    ASSERT_EQ(PilotSettings::save(path, saved), "");
    PilotSettings loaded;
    ASSERT_EQ(PilotSettings::load(path, loaded), "");
    EXPECT_EQ(loaded.volume, 0.25);
    EXPECT_TRUE(loaded.muted);
    EXPECT_EQ(loaded.camera, "ground");
    EXPECT_EQ(loaded.climbThreshold, 0.3);
    EXPECT_EQ(loaded.sinkThreshold, -1.5);
    EXPECT_EQ(loaded.deadZone, 0.2);
    EXPECT_TRUE(loaded.invertFore);
    EXPECT_EQ(loaded.lateralAxis, 3);
    EXPECT_EQ(loaded.foreAxis, 4);

    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(PilotSettings::defaultPath(), "/somewhere/config/glider-sim/pilot.toml");
    setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored, as the convention asks
    setenv("HOME", "/home/pilot", 1);
    EXPECT_EQ(PilotSettings::defaultPath(), "/home/pilot/.config/glider-sim/pilot.toml");
}

TEST(PilotSettings, MalformedFileIsNamedAndLeftAsItWas) {
    Scratch scratch;
    const std::string path = scratch.file("pilot.toml");
    const std::string cases[][2] = {
        {"volume = [", "line 1"},
        {"volume = 2.0", "volume must lie within 0 to 1"},
        {"volume = \"loud\"", "volume must be a finite number"},
        {"muted = 1", "muted must be true or false"},
        {"camera = \"cockpit\"", "camera must be chase"},
        {"lateral_axis = -1", "lateral_axis must be a whole number"},
        {"climb_threshold = -3.0", "sink_threshold must lie below climb_threshold"},
        {"dead_zone = inf", "dead_zone must be a finite number"},
    };
    for (const auto& c : cases) {
        writeText(path, c[0] + "\n");
        PilotSettings settings;
        settings.volume = 0.33;
        const std::string reason = PilotSettings::load(path, settings);
        EXPECT_EQ(reason.rfind(path + ": ", 0), 0u) << reason;
        EXPECT_NE(reason.find(c[1]), std::string::npos) << reason;
        EXPECT_EQ(settings.volume, 0.33);
        EXPECT_EQ(readText(path), c[0] + "\n");
    }
}

// Values that %g would round (0.1000002 and 0.1000001 both became 0.1, and
// the next start was refused) read back to the very double saved.
TEST(PilotSettings, EveryValueReadsBackTheSameAfterASave) {
    Scratch scratch;
    const std::string path = scratch.file("pilot.toml");
    const double thresholds[][2] = {
        {0.1000002, 0.1000001}, {1e-300, -1e-300}, {0.30000000000000004, -2.0}, {12345.678901234567, 0.0},
    };
    for (const auto& t : thresholds) {
        PilotSettings saved;
        saved.climbThreshold = t[0];
        saved.sinkThreshold = t[1];
        saved.volume = 1.0 / 3.0;
        ASSERT_EQ(PilotSettings::save(path, saved), "") << t[0];
        PilotSettings loaded;
        ASSERT_EQ(PilotSettings::load(path, loaded), "") << readText(path);
        EXPECT_TRUE(loaded == saved) << readText(path);
    }
}

// A key the program does not know is warned about with its file and line,
// kept through a rewrite, and a file whose values did not change is left
// exactly as the user wrote it, comments and all.
TEST(PilotSettings, UnknownKeysAreWarnedAboutAndKeptAndAnUnchangedFileIsLeftAlone) {
    Scratch scratch;
    const std::string path = scratch.file("pilot.toml");
    const std::string text = "# my settings\nvolume = 0.5 # quieter\nvolumme = 0.2\n\n[later]\nkey = 1\n";
    writeText(path, text);
    PilotSettings settings;
    std::vector<std::string> warnings;
    ASSERT_EQ(PilotSettings::load(path, settings, &warnings), "");
    EXPECT_EQ(settings.volume, 0.5);
    ASSERT_EQ(warnings.size(), 2u);
    const auto warned = [&warnings](const std::string& start) {
        return std::any_of(warnings.begin(), warnings.end(),
                           [&start](const std::string& w) { return w.rfind(start, 0) == 0; });
    };
    EXPECT_TRUE(warned(path + ":3: volumme: ")) << warnings[0];
    EXPECT_TRUE(warned(path + ":5: later: ")) << warnings[1];
    for (const std::string& warning : warnings) {
        EXPECT_EQ(warning.find('\n'), std::string::npos);
    }

    ASSERT_EQ(PilotSettings::save(path, settings), "");
    EXPECT_EQ(readText(path), text);

    settings.muted = true;
    ASSERT_EQ(PilotSettings::save(path, settings), "");
    PilotSettings reread;
    warnings.clear();
    ASSERT_EQ(PilotSettings::load(path, reread, &warnings), "");
    EXPECT_TRUE(reread == settings);
    EXPECT_EQ(warnings.size(), 2u) << readText(path);
    EXPECT_NE(readText(path).find("volumme = 0.2"), std::string::npos) << readText(path);
}

// Not a regular file: one line naming it, from load and save alike, never
// a hang on a FIFO nor an empty set of settings taken from a directory.
TEST(PilotSettings, SpecialFilesAreRefusedInOneLine) {
    Scratch scratch;
    const std::string folder = scratch.file("folder.toml");
    const std::string fifo = scratch.file("fifo.toml");
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {folder, fifo}) {
        PilotSettings settings;
        const std::string loaded = PilotSettings::load(path, settings);
        EXPECT_EQ(loaded, path + ": cannot read: not a regular file");
        EXPECT_EQ(PilotSettings::save(path, settings), loaded);
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}
