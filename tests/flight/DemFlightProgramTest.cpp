// glider-flight over elevation models, run as a program: refusals, the start
// above the ground at a point, heights above sea level.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "tests/flight/ProgramRun.h"
#include "tests/support/DemTestFiles.h"
#include "physics/SharedConstants.h"

using flighttest::expectRefusedInOneLine;
using flighttest::lines;
using flighttest::ProgramRun;
using flighttest::readFile;
using flighttest::runFlight;
using flighttest::ScratchDirectory;
using flighttest::writeFile;

namespace {


// 3" pixels over 46.4 to 46.5 N, 7.4 to 7.5 E: a 1000 m plain
// with a round hill of 400 m at 46.45 N 7.45 E, broad enough (1 km
// standard deviation) that its top reads within a metre between the pixels.
const demtest::Grid kSite{120, 120, 7.4, 46.5, 1.0 / 1200.0};
double hill(double east, double north) {
    const double dx = (east - 7.45) * 76700.0;
    const double dy = (north - 46.45) * 111150.0;
    return 1000.0 + 400.0 * std::exp(-(dx * dx + dy * dy) / (2.0 * 1000.0 * 1000.0));
}

std::vector<double> numbers(const std::string& row) {
    std::vector<double> result;
    std::istringstream in(row);
    for (std::string field; std::getline(in, field, ',');) {
        result.push_back(std::stod(field));
    }
    return result;
}

} // namespace

// The loader's own refusals are pinned with the loader; here, that one of
// them and every option's fault end the run with status 2 before anything
// is flown or written.
TEST(GliderFlightDem, EveryBadElevationInputIsRefusedInOneLineWithNothingFlownOrWritten) {
    struct Case {
        std::vector<std::string> arguments;
        std::string named; // what the message must name
    };
    const std::vector<Case> cases = {
        {{"--dem", "notes.tif"}, "--dem: notes.tif: is not a raster"},
        {{"--dem", "site.tif", "--start", "46.3,7.45,200"}, "--start: 46.3,7.45 lies outside the terrain's window"},
        {{"--dem", "site.tif", "--start", "46.45,7.45,1"}, "--start: HEIGHT must lie within 2 to 10000"},
        {{"--dem", "site.tif", "--start", "46.45,7.45"}, "--start"},
        {{"--dem", "site.tif", "--centre", "91,7"}, "--centre"},
        {{"--dem", "site.tif", "--radius-km", "0"}, "--radius-km"},
        {{"--dem", "site.tif", "--radius-km", "251"}, "--radius-km"},
        {{"--dem", "site.tif", "--dem-radius", "0"}, "--dem-radius: must lie within 1 to 250000 m, got '0'"},
        {{"--dem", "site.tif", "--radius-km", "0.0005"}, "--radius-km: must lie within 0.001 to 250 km"},
        {{"--dem", "site.tif", "--dem-radius", "250001"}, "--dem-radius"},
        {{"--dem", "site.tif", "--dem-radius", "3km"}, "--dem-radius: expected a finite decimal number"},
        {{"--dem", "site.tif", "--dem-radius", "3000", "--radius-km", "3"}, "--radius-km"},
        {{"--dem-radius", "3000"}, "--dem-radius"},
        {{"--dem", "site.tif", "--spacing", "0"}, "--spacing"},
        {{"--dem", "site.tif", "--dem-fill", "sea"}, "--dem-fill"},
        {{"--dem", "site.tif", "--dem-fill", "1e20"}, "--dem-fill: the fill height must lie within -12000 to 10000 m"},
        {{"--dem", "site.tif", "--dem-fill", "-12001"}, "--dem-fill: the fill height must lie within"},
        {{"--scenario", "site.toml", "--origin", "45,6,500"},
         "--origin: the scenario's elevation model places the flight on the Earth itself"},
        {{"--dem", "cloud.vrt"}, "cloud.vrt: refers to '/vsis3/bucket/x.tif', a network or cloud path"},
        {{"--dem", ""}, "--dem"},
        {{"--dem", "site.tif", "--origin", "45,6,500"}, "--origin"},
        {{"--dem", "site.tif", "--generated-terrain"}, "--generated-terrain"},
        {{"--centre", "46.45,7.45"}, "--centre"},
        {{"--start", "46.45,7.45,100"}, "--start"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(::testing::PrintToString(bad.arguments));
        ScratchDirectory directory;
        writeFile(directory.file("keep.csv"), "old\n");
        writeFile(directory.file("notes.tif"), "not a raster\n");
        writeFile(directory.file("cloud.vrt"),
                  "<VRTDataset rasterXSize=\"9\" rasterYSize=\"9\"><VRTRasterBand dataType=\"Float32\" band=\"1\">"
                  "<SimpleSource><SourceFilename>/vsis3/bucket/x.tif</SourceFilename></SimpleSource>"
                  "</VRTRasterBand></VRTDataset>\n");
        demtest::writeGeoTiff(directory.file("site.tif"), kSite, hill);
        writeFile(directory.file("site.toml"), "[terrain]\nsource = \"dem\"\npath = \"site.tif\"\n");
        const std::vector<std::string> before = directory.entries();

        std::vector<std::string> arguments = bad.arguments;
        for (const char* output : {"--csv", "keep.csv", "--igc", "keep.igc"}) {
            arguments.emplace_back(output);
        }
        const ProgramRun run = runFlight(directory, arguments);

        expectRefusedInOneLine(run, bad.named);
        EXPECT_EQ(directory.entries(), before);
        EXPECT_EQ(readFile(directory.file("keep.csv")), "old\n");
    }
}

// One window size in both programs' unit; the kilometres of earlier
// versions still work and fly the very same flight.
TEST(GliderFlightDem, TheRadiusInMetresAndInKilometresFlyTheSameFlight) {
    ScratchDirectory directory;
    demtest::writeGeoTiff(directory.file("site.tif"), kSite, hill);
    const ProgramRun metres = runFlight(directory, {"--dem", "site.tif", "--dem-radius", "3000", "--spacing", "20",
                                                    "--steps", "50", "--csv", "metres.csv"});
    const ProgramRun kilometres = runFlight(directory, {"--dem", "site.tif", "--radius-km", "3", "--spacing", "20",
                                                        "--steps", "50", "--csv", "km.csv"});
    ASSERT_EQ(metres.status, 0) << metres.err;
    ASSERT_EQ(kilometres.status, 0) << kilometres.err;
    EXPECT_EQ(readFile(directory.file("metres.csv")), readFile(directory.file("km.csv")));
}

// The glider starts HEIGHT above the ground at the given point: over the
// hill's top, the terrain under the pilot is the hill's height above sea level.
TEST(GliderFlightDem, TheStartIsHeightAboveTheGroundThereInMetresAboveSeaLevel) {
    ScratchDirectory directory;
    demtest::writeGeoTiff(directory.file("site.tif"), kSite, hill);
    const ProgramRun run = runFlight(directory, {"--dem", "site.tif", "--centre", "46.46,7.46", "--radius-km", "3",
                                                 "--spacing", "20", "--start", "46.45,7.45,250", "--steps", "100",
                                                 "--csv", "flight.csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> rows = lines(readFile(directory.file("flight.csv")));
    ASSERT_EQ(rows.size(), 102u);
    const std::vector<double> first = numbers(rows[1]);
    const double x = first[2];
    const double y = first[3];
    const double z = first[4];
    const double ground = first[9];
    // 0.01 degree south and west of the centre (WGS-84's radii of curvature
    // there: 6 389 382 m along the parallel, 6 369 006 m along the meridian);
    // the pilot hangs 0.2 m behind and 0.4 m below the hub.
    EXPECT_NEAR(x, -0.01 * kPi / 180.0 * 6389382.0 * std::cos(46.45 * kPi / 180.0), 0.5);
    EXPECT_NEAR(y - 0.2, -0.01 * kPi / 180.0 * 6369006.0, 0.5);
    EXPECT_NEAR(ground, 1400.0, 1.0);
    EXPECT_NEAR(z, ground + 250.0 - 0.4, 1.0);

    // F1 takes the glider back to that start, not to the classic one.
    const ProgramRun reset = runFlight(directory, {"--dem", "site.tif", "--centre", "46.46,7.46", "--radius-km", "3",
                                                   "--start", "46.45,7.45,250", "--steps", "400", "--key",
                                                   "399:f1"});
    ASSERT_EQ(reset.status, 0) << reset.err;
    const std::vector<std::string> flown = lines(reset.out);
    ASSERT_EQ(flown.size(), 402u);
    const std::vector<double> before = numbers(flown[400]); // step 399, before the key acts
    const std::vector<double> after = numbers(flown[401]);
    // The pilot hangs within a couple of metres of the hub whatever the
    // glider's attitude; by step 399 it had fallen far from the start.
    EXPECT_GT(std::hypot(before[2] - x, before[3] - y, before[4] - z), 20.0);
    EXPECT_LT(std::hypot(after[2] - x, after[3] - y, after[4] - z), 2.0);

    // Without --start, above the centre by the default height.
    const ProgramRun centred = runFlight(directory, {"--dem", "site.tif", "--steps", "0"});
    ASSERT_EQ(centred.status, 0) << centred.err;
    const std::vector<double> row = numbers(lines(centred.out)[1]);
    EXPECT_NEAR(row[2], 0.0, 1e-9);
    EXPECT_NEAR(row[3], 0.2, 1e-9);
    EXPECT_NEAR(row[4], row[9] + 135.0 - 0.4, 0.5);
}

// A scenario's elevation model flies like the command line's: the same
// start, the same trajectory, the same log.
TEST(GliderFlightDem, AScenarioElevationModelFliesAsTheCommandLinesDoes) {
    ScratchDirectory directory;
    demtest::writeGeoTiff(directory.file("site.tif"), kSite, hill);
    writeFile(directory.file("site.toml"), "[terrain]\nsource = \"dem\"\npath = \"site.tif\"\n"
                                           "centre = [46.46, 7.46]\nradius_km = 3\nspacing = 20\n"
                                           "[start]\nat = [46.45, 7.45]\nheight = 250\n");
    const ProgramRun scenario = runFlight(directory, {"--scenario", "site.toml", "--steps", "300", "--csv",
                                                      "scenario.csv", "--igc", "scenario.igc"});
    const ProgramRun command = runFlight(directory, {"--dem", "site.tif", "--centre", "46.46,7.46", "--radius-km",
                                                     "3", "--spacing", "20", "--start", "46.45,7.45,250", "--steps",
                                                     "300", "--csv", "command.csv", "--igc", "command.igc"});
    ASSERT_EQ(scenario.status, 0) << scenario.err;
    ASSERT_EQ(command.status, 0) << command.err;
    EXPECT_EQ(readFile(directory.file("scenario.csv")), readFile(directory.file("command.csv")));
    EXPECT_EQ(readFile(directory.file("scenario.igc")), readFile(directory.file("command.igc")));

    // An unusable raster or start: one line naming the scenario and the
    // raster, nothing written.
    writeFile(directory.file("gone.toml"), "[terrain]\nsource = \"dem\"\npath = \"gone.tif\"\n");
    writeFile(directory.file("far.toml"), "[terrain]\nsource = \"dem\"\npath = \"site.tif\"\nradius_km = 1\n"
                                          "[start]\nat = [46.3, 7.45]\n");
    for (const char* bad : {"gone.toml", "far.toml"}) {
        const std::vector<std::string> before = directory.entries();
        const ProgramRun run = runFlight(directory, {"--scenario", bad, "--csv", "out.csv"});
        EXPECT_EQ(run.status, 2) << bad;
        ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind(std::string("glider-flight: ") + bad + ": ", 0), 0u) << run.err;
        EXPECT_EQ(directory.entries(), before) << bad;
    }
    // A world position cannot stand in for the scenario's place on the Earth.
    const ProgramRun launch =
        runFlight(directory, {"--scenario", "site.toml", "--launch", "0,0,2000,90", "--csv", "out.csv"});
    EXPECT_EQ(launch.status, 2);
    EXPECT_EQ(launch.err.rfind("glider-flight: --launch: the scenario's elevation model places the start", 0), 0u)
        << launch.err;
}
