// glider-flight run as a program: its command line, its outputs and its
// summary, checked from the outside as a user or a script would see them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/flight/ProgramRun.h"
#include "tests/support/JpegTestFiles.h"

using flighttest::expectRefusedInOneLine;
using flighttest::lines;
using flighttest::ProgramRun;
using flighttest::readFile;
using flighttest::runFlight;
using flighttest::ScratchDirectory;
using flighttest::writeFile;

namespace {

std::vector<std::string> fields(const std::string& row) {
    std::vector<std::string> result;
    std::istringstream in(row);
    for (std::string field; std::getline(in, field, ',');) {
        result.push_back(field);
    }
    return result;
}

std::string formatted(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// A greyscale heightmap of one grey level, made with libjpeg's compressor.
void writeGreyJpeg(const std::string& path, int width, int height, unsigned char grey) {
    jpegtest::writeFile(path, jpegtest::encode(jpegtest::greyImage(width, height, [grey](int, int) { return grey; })));
}

} // namespace

TEST(GliderFlightCommandLine, EveryBadInputIsRejectedInOneLineBeforeAnythingIsWritten) {
    struct Case {
        std::vector<std::string> arguments;
        std::string named; // what the message must name
    };
    const std::vector<Case> cases = {
        {{"--csv", "keep.csv", "--speed", "3"}, "--speed"},
        {{"--csv", "keep.csv", "300"}, "300"},
        {{"--csv", "keep.csv", "--steps"}, "--steps"},
        {{"--csv", "keep.csv", "--steps", "12x"}, "--steps"},
        {{"--csv", "keep.csv", "--steps", "0x10"}, "--steps"},
        {{"--csv", "keep.csv", "--steps", "-1"}, "--steps"},
        {{"--csv", "keep.csv", "--steps", "100000000"}, "--steps"},
        {{"--csv", "keep.csv", "--every", "2.5"}, "--every"},
        {{"--csv", "keep.csv", "--every", "0"}, "--every"},
        {{"--csv", "keep.csv", "--wind", "1,2"}, "--wind"},
        {{"--csv", "keep.csv", "--wind", "1,,2"}, "--wind"},
        {{"--csv", "keep.csv", "--wind", "nan,0,0"}, "--wind"},
        {{"--csv", "keep.csv", "--wind", "1e300,0,0"}, "--wind"},
        {{"--csv", "keep.csv", "--origin", "95,6,500"}, "--origin"},
        {{"--csv", "keep.csv", "--date", "2001-02-29"}, "--date"},
        {{"--csv", "keep.csv", "--date", "01-02-2001"}, "--date"},
        {{"--csv", "keep.csv", "--key", "10:jump"}, "--key"},
        {{"--csv", "keep.csv", "--key", "left"}, "--key"},
        {{"--csv", "keep.csv", "--key", "-1:left"}, "--key"},
        {{"--csv", "keep.csv", "--steps", "100", "--key", "100:left"}, "--key"},
        {{"--csv", "keep.csv", "--terrain", "a.jpg", "--generated-terrain"}, "--generated-terrain"},
        {{"--csv", "missing/out.csv"}, "--csv"},
        {{"--csv", "."}, "--csv"},
        {{"--csv", "keep.csv", "--igc", "missing/out.igc"}, "--igc"},
        {{"--csv", "keep.csv", "--igc", "keep.csv"}, "--igc"},
        {{"--csv", "keep.csv", "--launch", "0,0,-50,0", "--generated-terrain"}, "--launch: the launch at 0,0,-50"},
        {{"--csv", "keep.csv", "--launch", "0,2000000,800,0"}, "--launch: X and Y must lie within 1000 km"},
        {{"--csv", "keep.csv", "--model", "classic", "--iterations", "5"}, "--iterations"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(::testing::PrintToString(bad.arguments));
        ScratchDirectory directory;
        writeFile(directory.file("keep.csv"), "old\n");

        const ProgramRun run = runFlight(directory, bad.arguments);

        expectRefusedInOneLine(run, bad.named);
        EXPECT_EQ(directory.entries(), std::vector<std::string>{"keep.csv"});
        EXPECT_EQ(readFile(directory.file("keep.csv")), "old\n");
    }
}

TEST(GliderFlightCommandLine, HelpDescribesTheOptionsAndSucceeds) {
    ScratchDirectory directory;
    const ProgramRun run = runFlight(directory, {"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* option : {"--steps", "--until-landed", "--terrain", "--generated-terrain", "--key", "--wind",
                               "--csv", "--every", "--igc", "--origin", "--date"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
    EXPECT_TRUE(directory.entries().empty());
}

TEST(GliderFlightOutputs, CsvGoesToStandardOutputWithARowPerStepFromStepZero) {
    ScratchDirectory directory;
    const ProgramRun run = runFlight(directory, {"--steps", "120", "--generated-terrain"});

    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> rows = lines(run.out);
    ASSERT_EQ(rows.size(), 122u);
    EXPECT_EQ(rows[0], "step,time,x,y,z,vx,vy,vz,speed,terrain");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> row = fields(rows[i]);
        ASSERT_EQ(row.size(), 10u) << rows[i];
        EXPECT_EQ(row[0], std::to_string(i - 1));
        EXPECT_EQ(row[1], formatted(static_cast<double>(i - 1) * 0.01));
    }
    // Right after prepare every particle is at rest.
    const std::vector<std::string> first = fields(rows[1]);
    EXPECT_EQ(std::vector<std::string>(first.begin() + 5, first.begin() + 9),
              (std::vector<std::string>{"0", "0", "0", "0"}));
    EXPECT_EQ(run.err.rfind("steps=120 landed_step=-1 height_lost=", 0), 0u) << run.err;
    EXPECT_TRUE(directory.entries().empty());
}

TEST(GliderFlightOutputs, TwoRunsWithTheSameOptionsWriteIdenticalBytes) {
    const std::vector<std::string> options = {"--steps", "450", "--generated-terrain", "--key", "0:left",
                                              "--key", "200:up", "--key", "300:f1", "--wind", "1.5,-0.5,0",
                                              "--csv", "flight.csv", "--igc", "flight.igc"};
    ScratchDirectory first;
    ScratchDirectory second;
    const ProgramRun a = runFlight(first, options);
    const ProgramRun b = runFlight(second, options);

    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(first.entries(), (std::vector<std::string>{"flight.csv", "flight.igc"}));
    EXPECT_EQ(lines(readFile(first.file("flight.csv"))).size(), 452u);
    EXPECT_EQ(readFile(first.file("flight.csv")), readFile(second.file("flight.csv")));
    EXPECT_EQ(readFile(first.file("flight.igc")), readFile(second.file("flight.igc")));
    EXPECT_EQ(a.err, b.err);
}

TEST(GliderFlightOutputs, SparseRowsAreExactlyTheMatchingRowsOfAFullRecord) {
    ScratchDirectory directory;
    const ProgramRun full = runFlight(directory, {"--steps", "350", "--generated-terrain", "--key", "150:right"});
    const ProgramRun sparse =
        runFlight(directory, {"--steps", "350", "--generated-terrain", "--key", "150:right", "--every", "100"});

    ASSERT_EQ(full.status, 0) << full.err;
    ASSERT_EQ(sparse.status, 0) << sparse.err;
    const std::vector<std::string> all = lines(full.out);
    const std::vector<std::string> expected = {all[0], all[1], all[101], all[201], all[301], all[351]};
    EXPECT_EQ(lines(sparse.out), expected);
}

TEST(GliderFlightOutputs, UntilLandedStopsAtTheTouchdownTheSummaryReports) {
    ScratchDirectory directory;
    const ProgramRun run = runFlight(directory, {"--steps", "5000", "--until-landed", "--generated-terrain"});

    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> rows = lines(run.out);
    const std::vector<std::string> start = fields(rows[1]);
    const std::vector<std::string> touchdown = fields(rows.back());
    const int landed = std::stoi(touchdown[0]);
    ASSERT_GT(landed, 0);
    ASSERT_LT(landed, 5000);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(landed) + 2);
    // On the ground: the pilot's z is the terrain height, and no earlier row is.
    EXPECT_EQ(touchdown[4], touchdown[9]);
    for (std::size_t i = 1; i + 1 < rows.size(); ++i) {
        EXPECT_NE(fields(rows[i])[4], fields(rows[i])[9]) << rows[i];
    }
    const double dx = std::stod(touchdown[2]) - std::stod(start[2]);
    const double dy = std::stod(touchdown[3]) - std::stod(start[3]);
    const double height = std::stod(start[4]) - std::stod(touchdown[4]);
    const double distance = std::sqrt(dx * dx + dy * dy);
    const std::string expected = "steps=" + touchdown[0] + " landed_step=" + touchdown[0] + " height_lost=" +
                                 formatted(height) + " distance=" + formatted(distance) +
                                 " glide_ratio=" + formatted(distance / height) + "\n";
    EXPECT_EQ(lines(run.err).back() + "\n", expected);
}

TEST(GliderFlightTerrain, WithoutAHeightmapItSaysSoAndFliesOverTheGeneratedTerrain) {
    ScratchDirectory directory;
    const ProgramRun byDefault = runFlight(directory, {"--steps", "0"});
    const ProgramRun generated = runFlight(directory, {"--steps", "0", "--generated-terrain"});

    EXPECT_EQ(byDefault.status, 0);
    EXPECT_EQ(byDefault.err.rfind("Erreur : impossible d'ouvrir terrain.jpg\n", 0), 0u) << byDefault.err;
    EXPECT_EQ(generated.err.find("Erreur"), std::string::npos) << generated.err;
    EXPECT_EQ(byDefault.out, generated.out);
    EXPECT_EQ(lines(generated.err).back(),
              "steps=0 landed_step=-1 height_lost=0 distance=0 glide_ratio=nan");
}

TEST(GliderFlightTerrain, AHeightmapIsReadLikeTheWindowedProgramReadsIt) {
    ScratchDirectory directory;
    // White is 255 grey levels of 0.1 m.
    writeGreyJpeg(directory.file("terrain.jpg"), 8, 8, 255);
    writeGreyJpeg(directory.file("mid.jpg"), 8, 8, 100);

    const ProgramRun local = runFlight(directory, {"--steps", "0"});
    const ProgramRun chosen = runFlight(directory, {"--steps", "0", "--terrain", "mid.jpg"});
    const ProgramRun generated = runFlight(directory, {"--steps", "0", "--generated-terrain"});

    ASSERT_EQ(local.status, 0) << local.err;
    EXPECT_EQ(fields(lines(local.out)[1])[9], "25.5");
    EXPECT_EQ(fields(lines(chosen.out)[1])[9], "10");
    EXPECT_NE(fields(lines(generated.out)[1])[9], "25.5");
}

// The user named the file: whatever keeps it from being used ends the run
// with a bad-input status and its reason, before any output is touched.
TEST(GliderFlightTerrain, ANamedHeightmapThatCannotBeUsedIsRefusedBeforeAnythingIsWritten) {
    ScratchDirectory directory;
    writeFile(directory.file("broken.jpg"), "this is not a JPEG image\n");
    jpegtest::writeFile(directory.file("colour.jpg"),
                        jpegtest::encode(jpegtest::Image{8, 8, 3, jpegtest::Bytes(8 * 8 * 3, 128)}));
    jpegtest::Bytes huge = jpegtest::encode(jpegtest::greyImage(16, 16, [](int, int) { return 9; }));
    jpegtest::setFrameSize(huge, 5000, 5000);
    jpegtest::writeFile(directory.file("huge.jpg"), huge);
    ASSERT_EQ(::mkdir(directory.file("folder.jpg").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("loop.jpg", directory.file("loop.jpg").c_str()), 0);
    writeFile(directory.file("keep.csv"), "old\n");
    const std::vector<std::string> before = directory.entries();
    const std::pair<const char*, const char*> cases[] = {
        {"missing.jpg", "No such file or directory"},
        {"broken.jpg", "Not a JPEG file"},
        {"colour.jpg", "not a greyscale image"},
        {"huge.jpg", "image too large (5000 x 5000 pixels)"},
        {"folder.jpg", "Is a directory"},
        {"loop.jpg", "Too many levels of symbolic links"},
    };
    for (const auto& [name, reason] : cases) {
        SCOPED_TRACE(name);
        const ProgramRun run = runFlight(directory, {"--terrain", name, "--csv", "keep.csv", "--igc", "new.igc"});

        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.rfind(std::string("glider-flight: --terrain: cannot use '") + name + "': ", 0), 0u)
            << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        EXPECT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(directory.entries(), before);
        EXPECT_EQ(readFile(directory.file("keep.csv")), "old\n");
    }
}

TEST(GliderFlightOutputs, ASuccessfulRunReplacesAnExistingFileWhole) {
    ScratchDirectory directory;
    writeFile(directory.file("flight.csv"), std::string(100000, '#'));
    const ProgramRun run = runFlight(directory, {"--steps", "10", "--generated-terrain", "--csv", "flight.csv"});

    ASSERT_EQ(run.status, 0) << run.err;
    const std::string written = readFile(directory.file("flight.csv"));
    EXPECT_EQ(lines(written).size(), 12u);
    EXPECT_EQ(written.find('#'), std::string::npos);
    EXPECT_EQ(directory.entries(), std::vector<std::string>{"flight.csv"});
}

// Flights whose forces outgrow the step: the run stops at the first state
// that is not numbers, writes none of it, and fails saying where.
TEST(GliderFlightDivergence, AFlightThatBlowsUpStopsBeforeItsFirstNonFiniteStateAndFails) {
    std::vector<std::string> heldUp = {"--steps", "2000", "--generated-terrain"};
    for (int i = 0; i < 300; ++i) {
        heldUp.insert(heldUp.end(), {"--key", "0:up"});
    }
    const std::vector<std::vector<std::string>> flights = {
        {"--steps", "2000", "--generated-terrain", "--wind", "0,0,100"},
        {"--steps", "2000", "--generated-terrain", "--wind", "50,50,50"},
        heldUp,
    };
    for (const std::vector<std::string>& flight : flights) {
        SCOPED_TRACE(flight[3] + " " + flight[4] + " (" + std::to_string(flight.size()) + " arguments)");
        ScratchDirectory directory;
        writeFile(directory.file("keep.igc"), "old\n");
        std::vector<std::string> arguments = flight;
        arguments.insert(arguments.end(), {"--igc", "keep.igc"});
        const ProgramRun run = runFlight(directory, arguments);

        EXPECT_EQ(run.status, 1);
        ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
        const std::string prefix = "glider-flight: the flight diverged at step ";
        ASSERT_EQ(run.err.rfind(prefix, 0), 0u) << run.err;
        const int diverged = std::stoi(run.err.substr(prefix.size()));
        const std::vector<std::string> rows = lines(run.out);
        // Every step before the divergence, and nothing else.
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(diverged) + 1);
        EXPECT_EQ(fields(rows.back())[0], std::to_string(diverged - 1));
        for (std::size_t i = 1; i < rows.size(); ++i) {
            for (const std::string& field : fields(rows[i])) {
                ASSERT_TRUE(std::isfinite(std::stod(field))) << rows[i];
            }
        }
        EXPECT_EQ(readFile(directory.file("keep.igc")), "old\n");
        EXPECT_EQ(directory.entries(), std::vector<std::string>{"keep.igc"});
    }
}

// Started with standard output and error closed, the outputs hold their own
// records only: not the summary, not the loader's message.
TEST(GliderFlightOutputs, ClosedStandardStreamsLeakIntoNoOutputFile) {
    ScratchDirectory directory; // no terrain.jpg: the loader says so on standard error
    flighttest::RunSetup closed;
    closed.closeStandardOutput = true;
    closed.closeStandardError = true;
    const ProgramRun run = runFlight(directory, {"--steps", "300", "--csv", "a.csv", "--igc", "a.igc"}, closed);

    EXPECT_EQ(run.status, 0);
    const std::vector<std::string> rows = lines(readFile(directory.file("a.csv")));
    ASSERT_EQ(rows.size(), 302u);
    EXPECT_EQ(rows[0], "step,time,x,y,z,vx,vy,vz,speed,terrain");
    for (const std::string& line : lines(readFile(directory.file("a.igc")))) {
        EXPECT_NE(std::string("AHB").find(line.at(0)), std::string::npos) << line;
    }
    EXPECT_EQ(lines(readFile(directory.file("a.igc"))).size(), 6u + 4u);
}
