#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "atmosphere/Atmosphere.h"
#include "scene/Scenario.h"

namespace {

ScenarioLoad read(const std::string& text) { return readScenario(text, "s.toml", ""); }

// The process's first generated terrain, before any test makes another.
const HeightField kTerrain = *start::makeGeneratedTerrain();

} // namespace

TEST(ScenarioLoader, AnEmptyFileIsTheClassicStart) {
    const ScenarioLoad load = read("");
    ASSERT_TRUE(load.ok) << load.message;
    const Scenario& s = load.scenario;
    EXPECT_EQ(s.terrain.source, Scenario::Terrain::Source::Default);
    EXPECT_EQ(s.model, Scenario::Model::Classic);
    EXPECT_EQ(s.launch.position, start::kGliderPosition);
    EXPECT_EQ(s.wind, Vector3D());
    EXPECT_FALSE(s.movesAir());
    EXPECT_EQ(s.pilot.mode, PilotPlan::Mode::None);
}

TEST(ScenarioLoader, ReadsEveryPart) {
    const ScenarioLoad load = read(R"(
model = "realistic"
pilot = "line:-300,-110,300,-110"
[terrain]
source = "ridge"
height = 120
width = 200
[start]
position = [10, -100, 130]
heading = 90
speed = 11.5
[air]
wind = [0, 8, 0]
ridge_lift = true
thermal_top = 2000
clouds = false
[[air.thermal]]
x = 100
y = 200
updraft = 3
radius = 120
[[air.thermal]]
x = -100
y = 0
updraft = 2.5
radius = 80
[air.random_thermals]
count = 5
seed = 42
[air.lifecycle]
lifetime = 600
seed = 9
)");
    ASSERT_TRUE(load.ok) << load.message;
    const Scenario& s = load.scenario;
    EXPECT_EQ(s.model, Scenario::Model::Realistic);
    EXPECT_EQ(s.pilot.mode, PilotPlan::Mode::Line);
    EXPECT_EQ(s.pilot.x2, 300.0);
    EXPECT_EQ(s.terrain.source, Scenario::Terrain::Source::Ridge);
    EXPECT_EQ(s.terrain.ridge.height, 120.0);
    EXPECT_EQ(s.terrain.ridge.width, 200.0);
    EXPECT_EQ(s.launch.position, Vector3D(10.0, -100.0, 130.0));
    EXPECT_EQ(s.launch.headingDegrees, 90.0);
    EXPECT_EQ(s.launch.speed, 11.5);
    EXPECT_EQ(s.wind, Vector3D(0.0, 8.0, 0.0));
    EXPECT_TRUE(s.ridgeLift);
    EXPECT_EQ(s.thermalTop, 2000.0);
    ASSERT_EQ(s.thermals.size(), 2u);
    EXPECT_EQ(s.thermals[1].x, -100.0);
    EXPECT_EQ(s.thermals[1].updraft, 2.5);
    EXPECT_EQ(s.randomThermals.count, 5);
    EXPECT_EQ(s.randomThermals.seed, 42u);
    EXPECT_FALSE(s.sky.clouds);
    EXPECT_TRUE(s.lifecycle.living);
    EXPECT_EQ(s.lifecycle.lifetime, 600.0);
    EXPECT_EQ(s.lifecycle.seed, 9u);
}

// The sun set outright, or from a local time, date and place: a July
// afternoon in the Alps stands high in the south-west.
TEST(ScenarioLoader, ReadsTheSunAsSetOrFromATimeAndPlace) {
    const ScenarioLoad set = read("[sun]\nazimuth = 250\nelevation = 8");
    ASSERT_TRUE(set.ok) << set.message;
    EXPECT_EQ(set.scenario.sky.sun.azimuth, 250.0);
    EXPECT_EQ(set.scenario.sky.sun.elevation, 8.0);
    const ScenarioLoad timed =
        read("[sun]\ntime = 15:08:00\ndate = 2026-07-15\nlatitude = 46\nlongitude = 8\nutc_offset = 2");
    ASSERT_TRUE(timed.ok) << timed.message;
    EXPECT_NEAR(timed.scenario.sky.sun.elevation, 59.0, 0.5);
    EXPECT_NEAR(timed.scenario.sky.sun.azimuth, 226.0, 0.6);
}

// Every fault is named by file, line and key, and the first one wins.
TEST(ScenarioLoader, NamesTheFileLineAndKeyOfEveryFault) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"model = \"fast\"", "s.toml:1: model: expected classic or realistic, got 'fast'"},
        {"\n\n[start]\nhaeding = 90", "s.toml:4: start.haeding: unknown key"},
        {"[air]\nwind = [0, 0]", "s.toml:2: air.wind: expected three numbers [x, y, z]"},
        {"[air]\nwind = [0, 150, 0]", "s.toml:2: air.wind: each component must lie within -100 to 100"},
        {"[air]\nwind = [0, nan, 0]", "s.toml:2: air.wind: expected three numbers [x, y, z]"},
        {"[air]\nridge_lift = \"on\"", "s.toml:2: air.ridge_lift: expected true or false"},
        {"[air]\n[[air.thermal]]\nx = 1\ny = 2\nupdraft = 3", "s.toml:2: air.thermal[1].radius: missing"},
        {"[[air.thermal]]\nx=0\ny=0\nupdraft=3\nradius=100\n[[air.thermal]]\nx=0\ny=0\nupdraft=30\nradius=100",
         "s.toml:9: air.thermal[2].updraft: must lie within 0.1 to 20"},
        {"[air.random_thermals]\ncount = -1", "s.toml:2: air.random_thermals.count: must lie within 0 to 1000"},
        {"[air.random_thermals]\nseed = 3", "s.toml:1: air.random_thermals.count: missing"},
        {"[terrain]\nsource = \"moon\"",
         "s.toml:2: terrain.source: unknown terrain source 'moon' (generated, jpeg, flat, ridge or dem)"},
        {"[terrain]\nsource = \"jpeg\"", "s.toml:1: terrain.path: expected a heightmap file name"},
        {"[terrain]\nsource = \"flat\"\nheight = 3", "s.toml:3: terrain.height: unknown key"},
        {"[terrain]\nsource = \"flat\"\nsize = 100000\nspacing = 1", "s.toml:1: terrain.spacing: too fine for "
                                                                     "the terrain's size (over 16 million samples)"},
        {"pilot = \"spiral:3\"", "s.toml:1: pilot: expected heading:DEG, circle:X,Y,BANK, line:X1,Y1,X2,Y2, "
                                 "soar[:BANK] or task, got 'spiral:3'"},
        {"start = 3", "s.toml:1: start: expected a table"},
        {"[sun]\nazimuth = 100\ntime = 10:00:00", "s.toml:3: sun.time: give azimuth and elevation or a time, not both"},
        {"[sun]\ntime = \"noon\"", "s.toml:2: sun.time: expected a local time such as 15:30:00"},
        {"[sun]\ndate = 2026-07-15", "s.toml:1: sun.time: missing: the local time the date and place are for"},
        {"[air.lifecycle]\nlifetime = 5", "s.toml:2: air.lifecycle.lifetime: must lie within 60 to 14400"},
        {"[air]\nclouds = 1", "s.toml:2: air.clouds: expected true or false"},
        {"[start]\nposition = [0, 0, 100]\nspeed = -3", "s.toml:3: start.speed: must lie within 0 to 50"},
    };
    for (const Case& c : cases) {
        const ScenarioLoad load = read(c.text);
        EXPECT_FALSE(load.ok) << c.text;
        EXPECT_EQ(load.message, c.message) << c.text;
    }
}

TEST(ScenarioLoader, ASyntaxErrorNamesItsLine) {
    const ScenarioLoad load = read("model = \"classic\"\n[air\nwind = [0, 0, 0]");
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.message.rfind("s.toml:2: ", 0), 0u) << load.message;
}

TEST(ScenarioLoader, ReadsFilesAndResolvesTheirHeightmapBesideThem) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("glider-scenario-test-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "day.toml";
    std::ofstream(file) << "[terrain]\nsource = \"jpeg\"\npath = \"hills.jpg\"\n";
    const ScenarioLoad load = loadScenario(file.string());
    ASSERT_TRUE(load.ok) << load.message;
    EXPECT_EQ(load.scenario.terrain.path, (dir / "hills.jpg").string());
    std::string error;
    EXPECT_EQ(makeScenarioTerrain(load.scenario, error), nullptr) << "no such heightmap";
    EXPECT_EQ(error, file.string() + ": terrain.path: cannot use the heightmap '" + (dir / "hills.jpg").string() +
                         "': No such file or directory");

    const ScenarioLoad missing = loadScenario((dir / "none.toml").string());
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message, (dir / "none.toml").string() + ": cannot read: not a regular file");
    std::filesystem::remove_all(dir);
}

// A scenario with only a wind is the classic flight in that wind, bit for bit.
TEST(ScenarioFlight, WithOnlyAWindFliesTheClassicFlightToTheBit) {
    Scenario scenario;
    scenario.wind = Vector3D(1.5, -2.0, 0.25);
    start::Flight classic = start::makeFlight(std::make_unique<HeightField>(kTerrain), scenario.wind);
    start::Flight scripted = makeScenarioFlight(scenario, std::make_unique<HeightField>(kTerrain));
    EXPECT_EQ(scripted.air, nullptr);
    classic.world->prepare();
    scripted.world->prepare();
    for (int i = 0; i < 1500; ++i) {
        classic.world->step();
        scripted.world->step();
        for (int p = 0; p < classic.world->particleCount(); ++p) {
            ASSERT_EQ(classic.world->particleAt(p).position, scripted.world->particleAt(p).position)
                << "step " << i << " particle " << p;
        }
    }
}

TEST(ScenarioFlight, MovingAirIsSetOnTheWorld) {
    Scenario scenario;
    scenario.thermals.push_back(Thermal{0.0, 150.0, 3.0, 100.0});
    scenario.ridgeLift = true;
    start::Flight flight = makeScenarioFlight(scenario, std::make_unique<HeightField>(kTerrain));
    ASSERT_NE(flight.air, nullptr);
    EXPECT_EQ(&flight.world->airField(), flight.air.get());
    const auto& air = dynamic_cast<const Atmosphere&>(*flight.air);
    EXPECT_EQ(air.thermalField()->count(), 1u);
    EXPECT_FALSE(air.thermalField()->isLiving());
    EXPECT_TRUE(air.hasRidgeLift());

    scenario.lifecycle.living = true;
    start::Flight living = makeScenarioFlight(scenario, std::make_unique<HeightField>(kTerrain));
    EXPECT_TRUE(dynamic_cast<const Atmosphere&>(*living.air).thermalField()->isLiving());
}

TEST(ShippedScenarios, LoadAndBuildTheirAir) {
    for (const char* name : {"ridge", "thermal", "calm", "thermal-day", "ridge-sunset"}) {
        const ScenarioLoad load = loadScenario(std::string(GLIDER_SCENARIOS) + "/" + name + ".toml");
        ASSERT_TRUE(load.ok) << load.message;
        EXPECT_EQ(load.scenario.model, Scenario::Model::Realistic) << name;
        EXPECT_NE(load.scenario.pilot.mode, PilotPlan::Mode::None) << name;
        std::string error;
        std::unique_ptr<HeightField> terrain = makeScenarioTerrain(load.scenario, error);
        ASSERT_NE(terrain, nullptr) << error;
        const start::Flight flight = makeScenarioFlight(load.scenario, std::move(terrain));
        EXPECT_EQ(flight.air != nullptr, std::string(name) != "calm") << name;
    }
}
