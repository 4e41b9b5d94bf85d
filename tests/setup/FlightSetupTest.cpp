#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/pilot/Scratch.h"
#include "setup/FlightSetup.h"
#include "setup/OptionChecks.h"
#include "setup/OptionValues.h"
#include "tests/support/DemTestFiles.h"
#include "tests/support/JpegTestFiles.h"

namespace {

enum class Ground { ScenarioFlat, Generated, Dem, Refused };

struct SetupCase {
    const char* name;
    std::function<void(setup::FlightRequest&, const Scratch&)> ask;
    Ground ground;
    const char* errorStart; // for Refused: how the one line begins ("" for a named file)
};

// The terrain chain (--dem, then --terrain, then generated, then the
// scenario's ground) and its refusals, as any front end meets them.
TEST(FlightSetup, PicksTheGroundInOrderAndRefusesWhatItCannotUseInOneLine) {
    const SetupCase cases[] = {
        {"scenario ground", [](auto&, auto&) {}, Ground::ScenarioFlat, nullptr},
        {"generated over scenario", [](auto& r, auto&) { r.generatedTerrain = true; }, Ground::Generated, nullptr},
        {"dem first", [](auto& r, auto& s) { r.dem.path = s.file("site.tif"); r.generatedTerrain = true; },
         Ground::Dem, nullptr},
        {"missing heightmap", [](auto& r, auto& s) { r.terrainPath = s.file("missing.jpg"); }, Ground::Refused,
         "--terrain: cannot use '"},
        {"missing dem", [](auto& r, auto& s) { r.dem.path = s.file("missing.tif"); }, Ground::Refused, "--dem: "},
        {"dem start off the raster",
         [](auto& r, auto& s) { r.dem.path = s.file("site.tif"); r.demStart = GeoCoordinate{10.0, 10.0}; },
         Ground::Refused, "--start: "},
        {"missing scenario", [](auto& r, auto& s) { r.scenarioPath = s.file("missing.toml"); }, Ground::Refused,
         ""},
        // A ground named on the command line is no excuse for a launch
        // inside it, whichever ground it is.
        {"launch inside the dem", [](auto& r, auto& s) { r.dem.path = s.file("site.tif"); r.demStartHeight = -50.0; },
         Ground::Refused, "--dem: the launch at "},
        {"launch inside the heightmap",
         [](auto& r, auto& s) {
             r.terrainPath = s.file("hill.jpg");
             r.launch = start::Launch{Vector3D(0.0, 0.0, -50.0), 180.0};
         },
         Ground::Refused, "--launch: the launch at "},
        {"launch inside the generated terrain",
         [](auto& r, auto&) {
             r.generatedTerrain = true;
             r.launch = start::Launch{Vector3D(0.0, 0.0, -50.0), 180.0};
         },
         Ground::Refused, "--launch: the launch at "},
    };
    Scratch scratch;
    demtest::writeGeoTiff(scratch.file("site.tif"), demtest::Grid{120, 120, 7.4, 46.5, 1.0 / 1200.0},
                          [](double east, double) { return 1000.0 + (east - 7.4) * 1200.0; });
    writeText(scratch.file("flat.toml"), "model = \"realistic\"\n[terrain]\nsource = \"flat\"\n");
    jpegtest::writeFile(scratch.file("hill.jpg"),
                        jpegtest::encode(jpegtest::greyImage(64, 64, [](int, int) { return 128; })));
    for (const SetupCase& c : cases) {
        setup::FlightRequest request;
        request.scenarioPath = scratch.file("flat.toml");
        c.ask(request, scratch);
        const setup::ReadyFlight ready = setup::setUpFlight(request);
        if (c.ground == Ground::Refused) {
            ASSERT_TRUE(ready.error.failed()) << c.name;
            const std::string line = ready.error.line();
            EXPECT_EQ(line.find('\n'), std::string::npos) << c.name;
            if (*c.errorStart != '\0') {
                EXPECT_EQ(line.rfind(c.errorStart, 0), 0u) << c.name << ": " << line;
            } else {
                EXPECT_NE(line.find(request.scenarioPath), std::string::npos) << c.name << ": " << line;
            }
            continue;
        }
        ASSERT_FALSE(ready.error.failed()) << c.name << ": " << ready.error.line();
        const HeightField& terrain = *ready.flight.terrain;
        EXPECT_EQ(ready.projection != nullptr, c.ground == Ground::Dem) << c.name;
        EXPECT_EQ(ready.placement().projection, ready.projection.get()) << c.name;
        if (c.ground == Ground::Dem) {
            EXPECT_GT(terrain.lowest(), 900.0) << c.name; // heights above sea level
            EXPECT_EQ(ready.origin.elevation, 0.0) << c.name;
        } else {
            EXPECT_EQ(ready.origin.latitude, request.origin.latitude) << c.name;
            EXPECT_EQ(terrain.highest() == terrain.lowest(), c.ground == Ground::ScenarioFlat) << c.name;
        }
    }
}

// What a front end overrides wins over the scenario; what it leaves alone
// is the scenario's. The plan names the file the ground will be read from.
TEST(FlightSetup, OverridesWinOverTheScenarioAndThePlanNamesTheTerrainRead) {
    Scratch scratch;
    writeText(scratch.file("s.toml"), "model = \"classic\"\n[terrain]\nsource = \"flat\"\n[air]\nwind = [1.0, 0.0, 0.0]\n");
    setup::FlightRequest request;
    request.scenarioPath = scratch.file("s.toml");
    setup::ReadyFlight kept = setup::setUpFlight(request);
    ASSERT_FALSE(kept.error.failed()) << kept.error.line();
    EXPECT_EQ(kept.flight.model, start::FlightModel::Classic);
    EXPECT_EQ(kept.flight.world->windVelocity(), Vector3D(1.0, 0.0, 0.0));
    EXPECT_EQ(setup::planFlight(request).terrainInput, "");

    request.model = start::FlightModel::Realistic;
    request.wind = Vector3D(0.0, -3.0, 0.0);
    request.launch = start::Launch();
    request.launch->position = Vector3D(5.0, 6.0, 200.0);
    request.launch->headingDegrees = 90.0;
    setup::ReadyFlight changed = setup::setUpFlight(request);
    ASSERT_FALSE(changed.error.failed()) << changed.error.line();
    EXPECT_EQ(changed.flight.model, start::FlightModel::Realistic);
    EXPECT_EQ(changed.flight.world->windVelocity(), Vector3D(0.0, -3.0, 0.0));
    EXPECT_EQ(changed.flight.launch.position, Vector3D(5.0, 6.0, 200.0));
    EXPECT_EQ(changed.flight.launch.headingDegrees, 90.0);

    request.terrainPath = scratch.file("hill.jpg");
    EXPECT_EQ(setup::planFlight(request).terrainInput, request.terrainPath);
    // Without any scenario: the classic start over terrain.jpg, built in text otherwise.
    EXPECT_EQ(setup::planFlight(setup::FlightRequest()).terrainInput, start::kTerrainFile);
    setup::FlightRequest builtIn;
    builtIn.builtInScenario = "model = \"jet\"\n";
    builtIn.builtInName = "the built-in test";
    EXPECT_EQ(setup::planFlight(builtIn).error.line().rfind("the built-in test", 0), 0u);
}

// The readers both programs' options share: the same acceptance and the
// same words in either program.
TEST(OptionValues, WindAndPlacesOnTheEarthAreReadStrictlyWithOneMessageEach) {
    struct WindCase {
        const char* text;
        const char* error; // "" when accepted
    };
    const WindCase winds[] = {
        {"1,-2,0.5", ""},
        {"100,-100,0", ""},
        {"100.5,0,0", "each component must lie within -100 to 100 m/s, got '100.5,0,0'"},
        {"1,2", "expected 3 numbers separated by commas, got '1,2'"},
        {"1,2,nan", "expected 3 numbers separated by commas, got '1,2,nan'"},
        {" 1,2,3", "expected 3 numbers separated by commas, got ' 1,2,3'"},
    };
    for (const WindCase& c : winds) {
        Vector3D wind(9.0, 9.0, 9.0);
        EXPECT_EQ(flight::readWind(c.text, wind), c.error) << c.text;
        EXPECT_EQ(wind == Vector3D(9.0, 9.0, 9.0), *c.error != '\0') << c.text;
    }
    const std::string rule = "latitude must lie strictly between -90 and 90 and longitude within -180 to 180, got ";
    const WindCase places[] = {
        {"45.5,6.25", ""}, {"-89.9,-180", ""}, {"90,0", "'90,0'"}, {"0,180.1", "'0,180.1'"}, {"0", nullptr},
    };
    for (const WindCase& c : places) {
        double values[2] = {0.0, 0.0};
        const std::string reason = flight::readGeoCoordinate(c.text, 2, values);
        if (c.error == nullptr) {
            EXPECT_EQ(reason.rfind("expected 2 numbers", 0), 0u) << c.text;
        } else if (*c.error == '\0') {
            EXPECT_EQ(reason, "") << c.text;
        } else {
            EXPECT_EQ(reason, rule + c.error) << c.text;
        }
    }
}

} // namespace

namespace {

std::string parseError(CLI::App& app, std::vector<const char*> words) {
    try {
        app.parse(static_cast<int>(words.size()), words.data());
    } catch (const CLI::ParseError& error) {
        return error.what();
    }
    return {};
}

} // namespace

// The checks both command lines hang on their options: the reader's reason
// after the option's name, and help shown whatever else is wrong.
TEST(OptionChecks, RefuseWithTheReadersWordsAndLetHelpWin) {
    CLI::App app;
    std::string wind;
    std::string place;
    double seconds = 0.0;
    app.add_option("--wind", wind)->check(flight::windCheck());
    app.add_option("--origin", place)->check(flight::geoCoordinateCheck(3));
    app.add_option("--quit-after", seconds)->check(flight::numberCheck([](double s) { return s > 0.0; }, "must be more"));
    EXPECT_EQ(parseError(app, {"p", "--wind", "0,0,500"}),
              "--wind: each component must lie within -100 to 100 m/s, got '0,0,500'");
    EXPECT_EQ(parseError(app, {"p", "--origin", "90,0,0"}),
              "--origin: latitude must lie strictly between -90 and 90 and longitude within -180 to 180, got '90,0,0'");
    EXPECT_EQ(parseError(app, {"p", "--quit-after", "-1"}), "--quit-after: must be more, got '-1'");
    EXPECT_EQ(parseError(app, {"p", "--quit-after", "0x10"}),
              "--quit-after: expected a finite decimal number, got '0x10'");
    EXPECT_EQ(parseError(app, {"p", "--quit-after", "2.5", "--wind", "1,2,3"}), "");
    EXPECT_EQ(seconds, 2.5);

    const std::vector<std::pair<std::vector<const char*>, bool>> help = {
        {{"p", "--wind", "1,2", "-h"}, true},
        {{"p", "--help"}, true},
        {{"p", "--", "--help"}, false},
        {{"p", "--wind", "1,2"}, false},
    };
    for (const auto& [words, asked] : help) {
        EXPECT_EQ(flight::asksForHelp(static_cast<int>(words.size()), words.data()), asked) << words.back();
    }
}
