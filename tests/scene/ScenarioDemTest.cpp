#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "scene/ScenarioGround.h"
#include "tests/support/DemTestFiles.h"
#include "tests/support/JpegTestFiles.h"

namespace {

namespace fs = std::filesystem;

ScenarioLoad read(const std::string& text) { return readScenario(text, "s.toml", ""); }

// A scenario and its raster in a scratch folder of their own.
class ScenarioDem : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/glider-scenario-dem-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
        // 3" pixels over 46.4 to 46.5 N, 7.4 to 7.5 E: a 1000 m plain rising
        // 1 m per pixel eastwards.
        demtest::writeGeoTiff(directory + "/site.tif", demtest::Grid{120, 120, 7.4, 46.5, 1.0 / 1200.0},
                              [](double east, double) { return 1000.0 + (east - 7.4) * 1200.0; });
    }
    void TearDown() override { fs::remove_all(directory); }

    ScenarioLoad write(const std::string& text) const {
        std::ofstream(directory + "/site.toml") << text;
        return loadScenario(directory + "/site.toml");
    }

    std::string directory;
};

} // namespace

TEST(ScenarioDemLoader, ReadsTheRastersWindowAndAStartOnTheEarth) {
    const ScenarioLoad load = read("[terrain]\nsource = \"dem\"\npath = \"/data/N46E007.hgt\"\n"
                                   "centre = [46.45, 7.45]\nradius_km = 3.5\nspacing = 25\nfill_height = 0\n"
                                   "imagery = \"/data/ortho.tif\"\n[start]\nat = [46.44, 7.46]\nheight = 300\nheading = 90\n");
    ASSERT_TRUE(load.ok) << load.message;
    const Scenario& s = load.scenario;
    EXPECT_EQ(s.terrain.source, Scenario::Terrain::Source::Dem);
    EXPECT_EQ(s.terrain.dem.path, "/data/N46E007.hgt");
    EXPECT_TRUE(s.terrain.dem.hasCentre);
    EXPECT_EQ(s.terrain.dem.centre.latitude, 46.45);
    EXPECT_EQ(s.terrain.dem.centre.longitude, 7.45);
    EXPECT_EQ(s.terrain.dem.radius, 3500.0);
    EXPECT_EQ(s.terrain.dem.spacing, 25.0);
    EXPECT_TRUE(s.terrain.dem.fillWithHeight);
    EXPECT_EQ(s.terrain.dem.fillHeight, 0.0);
    EXPECT_EQ(s.terrain.imagery, "/data/ortho.tif");
    EXPECT_TRUE(s.launch.hasAt);
    EXPECT_EQ(s.launch.at.latitude, 46.44);
    EXPECT_EQ(s.launch.at.longitude, 7.46);
    EXPECT_EQ(s.launch.heightAboveGround, 300.0);
    EXPECT_EQ(s.launch.headingDegrees, 90.0);
}

TEST(ScenarioDemLoader, NamesTheLineAndKeyOfEveryFault) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"[terrain]\nsource = \"dem\"", "s.toml:1: terrain.path: expected an elevation raster's file name"},
        {"[terrain]\nsource = \"dem\"\npath = \"a.tif\"\ncentre = [46]",
         "s.toml:4: terrain.centre: expected [latitude, longitude] in degrees"},
        {"[terrain]\nsource = \"dem\"\npath = \"a.tif\"\ncentre = [90, 7]",
         "s.toml:4: terrain.centre: latitude must lie strictly between -90 and 90 and longitude within -180 to 180"},
        {"[terrain]\nsource = \"dem\"\npath = \"a.tif\"\nradius_km = 0",
         "s.toml:4: terrain.radius_km: must lie within 0.001 to 250"},
        {"[terrain]\nsource = \"dem\"\npath = \"a.tif\"\nspacing = 0",
         "s.toml:4: terrain.spacing: must lie within 0.1 to 10000"},
        {"[terrain]\nsource = \"dem\"\npath = \"a.tif\"\nheight_scale = 2", "s.toml:4: terrain.height_scale: unknown key"},
        {"[terrain]\nsource = \"dem\"\npath = \"a.tif\"\n[start]\nposition = [0, 0, 100]",
         "s.toml:5: start.position: unknown key"},
        {"[terrain]\nsource = \"dem\"\npath = \"a.tif\"\n[start]\nheight = 1",
         "s.toml:5: start.height: must lie within 2 to 10000"},
        {"[start]\nat = [46, 7]", "s.toml:2: start.at: unknown key"},
        {"[terrain]\nsource = \"dem\"\npath = \"a.tif\"\nimagery = \"\"",
         "s.toml:4: terrain.imagery: expected a georeferenced raster's file name"},
        {"[terrain]\nsource = \"flat\"\nimagery = \"a.tif\"", "s.toml:3: terrain.imagery: unknown key"},
    };
    for (const Case& c : cases) {
        const ScenarioLoad load = read(c.text);
        EXPECT_FALSE(load.ok) << c.text;
        EXPECT_EQ(load.message, c.message) << c.text;
    }
}

TEST_F(ScenarioDem, TheGroundIsTheRastersWindowWithTheLaunchAboveTheGroundAtTheStart) {
    const ScenarioLoad load = write("[terrain]\nsource = \"dem\"\npath = \"site.tif\"\ncentre = [46.45, 7.45]\n"
                                    "radius_km = 2\nspacing = 50\n[start]\nat = [46.45, 7.46]\nheight = 250\n");
    ASSERT_TRUE(load.ok) << load.message;
    EXPECT_EQ(load.scenario.terrain.dem.path, directory + "/site.tif"); // beside the scenario
    const ScenarioGround ground = makeScenarioGround(load.scenario);
    ASSERT_TRUE(ground.error.empty()) << ground.error;
    EXPECT_NEAR(ground.origin.latitude, 46.45, 1e-9);
    EXPECT_NEAR(ground.origin.longitude, 7.45, 1e-9);
    EXPECT_EQ(ground.terrain->gridSpacing(), 50.0);
    // 0.01 degree east: 767 m along the parallel, on a slope of 1 m per 3".
    const Vector3D& p = ground.launchPosition;
    EXPECT_NEAR(p.x, 767.0, 2.0);
    EXPECT_NEAR(p.y, 0.0, 0.1);
    EXPECT_NEAR(p.z, 1000.0 + 0.06 * 1200.0 + 250.0, 0.5);

    // Without a start place, above the centre.
    Scenario centred = load.scenario;
    centred.launch.hasAt = false;
    const ScenarioGround above = makeScenarioGround(centred);
    ASSERT_TRUE(above.error.empty()) << above.error;
    EXPECT_EQ(above.launchPosition.x, 0.0);
    EXPECT_EQ(above.launchPosition.y, 0.0);
    EXPECT_NEAR(above.launchPosition.z, 1000.0 + 0.05 * 1200.0 + 250.0, 0.5);
}

TEST_F(ScenarioDem, AnUnusableRasterOrStartIsOneLineNamingTheScenarioAndTheRaster) {
    const std::string scenario = directory + "/site.toml";
    ScenarioLoad load = write("[terrain]\nsource = \"dem\"\npath = \"gone.tif\"\n");
    ASSERT_TRUE(load.ok) << load.message;
    ScenarioGround ground = makeScenarioGround(load.scenario);
    EXPECT_EQ(ground.terrain, nullptr);
    EXPECT_EQ(ground.error, scenario + ": terrain.path: " + directory +
                                "/gone.tif: cannot be opened (No such file or directory)");

    load = write("[terrain]\nsource = \"dem\"\npath = \"site.tif\"\nradius_km = 1\n[start]\nat = [46.3, 7.45]\n");
    ASSERT_TRUE(load.ok) << load.message;
    ground = makeScenarioGround(load.scenario);
    EXPECT_EQ(ground.terrain, nullptr);
    EXPECT_EQ(ground.error.rfind(scenario + ": start.at: 46.3,7.45 lies outside the terrain's window", 0), 0u)
        << ground.error;

    // The builder without rasters does not read them: it says which does.
    std::string error;
    EXPECT_EQ(makeScenarioTerrain(load.scenario, error), nullptr);
    EXPECT_NE(error.find("makeScenarioGround"), std::string::npos) << error;
}

TEST_F(ScenarioDem, OtherSourcesGiveTheirTerrainAndTheirOwnLaunchWithoutAMap) {
    const ScenarioLoad load = write("[terrain]\nsource = \"flat\"\nsize = 200\nspacing = 10\n"
                                    "[start]\nposition = [5, 6, 70]\n");
    ASSERT_TRUE(load.ok) << load.message;
    const ScenarioGround ground = makeScenarioGround(load.scenario);
    ASSERT_TRUE(ground.error.empty()) << ground.error;
    ASSERT_NE(ground.terrain, nullptr);
    EXPECT_EQ(ground.terrain->gridSpacing(), 10.0);
    EXPECT_EQ(ground.projection, nullptr);
    EXPECT_EQ(ground.launchPosition.x, 5.0);
    EXPECT_EQ(ground.launchPosition.y, 6.0);
    EXPECT_EQ(ground.launchPosition.z, 70.0);

    const ScenarioLoad missing = write("[terrain]\nsource = \"jpeg\"\npath = \"none.jpg\"\n");
    ASSERT_TRUE(missing.ok) << missing.message;
    const ScenarioGround refused = makeScenarioGround(missing.scenario);
    EXPECT_EQ(refused.terrain, nullptr);
    EXPECT_EQ(refused.error.rfind(directory + "/site.toml: terrain.path: cannot use the heightmap", 0), 0u)
        << refused.error;
}

// A scenario's heightmap is read as a file named by the user: refused with
// one line naming both files, nothing printed by the loader, never flown half
// decoded. A launch that would build the glider inside the ground is refused
// the same way, whatever the source.
TEST_F(ScenarioDem, UnusableHeightmapsAndLaunchesInTheGroundAreRefusedInOneLine) {
    std::ofstream(directory + "/notes.jpg") << "not an image\n";
    jpegtest::writeFile(directory + "/colour.jpg", jpegtest::encode(jpegtest::Image{8, 8, 3, jpegtest::Bytes(192, 90)}));
    jpegtest::Bytes truncated = jpegtest::encode(jpegtest::greyImage(64, 64, [](int c, int r) { return c * 3 + r; }));
    truncated.resize(jpegtest::scanDataOffset(truncated) + 40);
    jpegtest::writeFile(directory + "/truncated.jpg", truncated);
    jpegtest::writeFile(directory + "/plain.jpg", jpegtest::encode(jpegtest::greyImage(64, 64, [](int, int) { return 100; })));

    const std::string jpeg = "[terrain]\nsource = \"jpeg\"\npath = ";
    struct Case {
        std::string scenario;
        std::string says; // after "FILE: "
    };
    const Case cases[] = {
        {jpeg + "\"notes.jpg\"\n", "terrain.path: cannot use the heightmap '" + directory + "/notes.jpg': not a usable JPEG image"},
        {jpeg + "\"colour.jpg\"\n", "terrain.path: cannot use the heightmap '" + directory + "/colour.jpg': not a greyscale image"},
        {jpeg + "\"truncated.jpg\"\n", "terrain.path: cannot use the heightmap '" + directory + "/truncated.jpg': not a usable JPEG image"},
        // 10 m of ground (100 grey levels) under a hub 5 m up; the pilot hangs below the hub.
        {jpeg + "\"plain.jpg\"\n[start]\nposition = [0, 0, 5]\n",
         "start.position: the launch at 0,0,5 puts the glider 5.4 m into the ground (the ground there is at 10 m; "
         "launch at a height of at least 11 m)"},
        {"model = \"realistic\"\n[terrain]\nsource = \"flat\"\n[start]\nposition = [0, 0, -50]\n",
         "start.position: the launch at 0,0,-50 puts the glider 5"},
    };
    for (const Case& c : cases) {
        const ScenarioLoad load = write(c.scenario);
        ASSERT_TRUE(load.ok) << load.message;
        ::testing::internal::CaptureStderr();
        const ScenarioGround ground = makeScenarioGround(load.scenario);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << c.scenario;
        EXPECT_EQ(ground.terrain, nullptr) << c.scenario;
        EXPECT_EQ(ground.error.rfind(directory + "/site.toml: " + c.says, 0), 0u) << ground.error;
        EXPECT_EQ(ground.error.find('\n'), std::string::npos) << ground.error;
    }

    // The height it advises is a launch.
    const ScenarioLoad clear = write(jpeg + "\"plain.jpg\"\n[start]\nposition = [0, 0, 11]\n");
    ASSERT_TRUE(clear.ok) << clear.message;
    const ScenarioGround ground = makeScenarioGround(clear.scenario);
    EXPECT_TRUE(ground.error.empty()) << ground.error;
}
