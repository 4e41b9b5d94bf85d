// glider-flight with scenarios, thermals, ridge lift and a pilot, run as a
// program: bad input refused whole, the command line over the scenario, and
// the extra air columns.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/flight/ProgramRun.h"

using flighttest::expectRefusedInOneLine;
using flighttest::lines;
using flighttest::ProgramRun;
using flighttest::readFile;
using flighttest::runFlight;
using flighttest::ScratchDirectory;
using flighttest::writeFile;

namespace {

// A scenario that sets wind, thermals and ridge lift over the generated terrain.
const char* kWindyDay = R"(pilot = "heading:90"
[terrain]
source = "generated"
[air]
wind = [0, 3, 0]
ridge_lift = true
[[air.thermal]]
x = 0
y = 140
updraft = 4
radius = 60
)";

std::vector<std::string> columns(const std::string& row, std::size_t count) {
    std::vector<std::string> result;
    std::istringstream in(row);
    for (std::string field; result.size() < count && std::getline(in, field, ',');) {
        result.push_back(field);
    }
    return result;
}

} // namespace

TEST(ScenarioCommandLine, BadAirOptionsAndScenariosAreRefusedInOneLineBeforeAnythingIsWritten) {
    struct Case {
        std::vector<std::string> arguments;
        std::string scenario; // written to day.toml when not empty
        std::string named;    // what the message must name
    };
    const std::vector<Case> cases = {
        {{"--thermal", "0,0,3"}, "", "--thermal"},
        {{"--thermal", "0,0,3,5"}, "", "--thermal"},
        {{"--thermals-random", "20"}, "", "--thermals-random"},
        {{"--thermals-random", "20,-1"}, "", "--thermals-random: SEED must lie within 0 to 9223372036854775807"},
        {{"--thermals-random", "1001,7"}, "", "--thermals-random: COUNT must lie within 0 to 1000"},
        {{"--thermals-random", "5000,1"}, "", "--thermals-random"},
        {{"--ridge-lift", "yes"}, "", "--ridge-lift"},
        {{"--pilot", "circle:0,0"}, "", "--pilot"},
        {{"--scenario", "none.toml"}, "", "none.toml: cannot read"},
        {{"--scenario", "."}, "", ".: cannot read"},
        {{"--scenario", "day.toml"}, "[air]\nwind = [0, 0, 0]\nthermal_top = 50\n",
         "day.toml:3: air.thermal_top: must lie within 100 to 6000"},
        {{"--scenario", "day.toml"}, "[air\n", "day.toml:1: "},
        {{"--scenario", "day.toml", "--wind", "0,0,0"}, "pilot = 3", "day.toml:1: pilot: expected a string"},
        {{"--scenario", "day.toml", "--iterations", "30"}, "model = \"classic\"",
         "--iterations: only the realistic model's solver takes a cap, and the scenario 'day.toml' flies the classic"},
        {{"--scenario", "day.toml", "--launch", "0,0,-50,0", "--generated-terrain"}, "model = \"realistic\"",
         "--launch: the launch at 0,0,-50 puts the glider"},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(::testing::PrintToString(bad.arguments));
        ScratchDirectory directory;
        writeFile(directory.file("keep.csv"), "old\n");
        std::vector<std::string> expected = {"keep.csv"};
        if (!bad.scenario.empty()) {
            writeFile(directory.file("day.toml"), bad.scenario);
            expected.insert(expected.begin(), "day.toml");
        }
        std::vector<std::string> arguments = {"--csv", "keep.csv", "--igc", "new.igc"};
        arguments.insert(arguments.end(), bad.arguments.begin(), bad.arguments.end());

        const ProgramRun run = runFlight(directory, arguments);

        expectRefusedInOneLine(run, bad.named);
        EXPECT_EQ(directory.entries(), expected);
        EXPECT_EQ(readFile(directory.file("keep.csv")), "old\n");
    }
}

TEST(ScenarioCommandLine, IterationsCapTheSolverOfARealisticScenarioWithoutNamingTheModel) {
    ScratchDirectory directory;
    writeFile(directory.file("day.toml"), "model = \"realistic\"\n[terrain]\nsource = \"flat\"\n");
    const ProgramRun run = runFlight(directory, {"--scenario", "day.toml", "--iterations", "30", "--steps", "10"});
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST(ScenarioCommandLine, AScenarioHeightmapThatCannotBeReadEndsTheRunWithStatusTwo) {
    ScratchDirectory directory;
    writeFile(directory.file("day.toml"), "[terrain]\nsource = \"jpeg\"\npath = \"hills.jpg\"\n");
    const ProgramRun run = runFlight(directory, {"--scenario", "day.toml", "--csv", "out.csv"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(lines(run.err), std::vector<std::string>{
                                  "glider-flight: day.toml: terrain.path: cannot use the heightmap 'hills.jpg': "
                                  "No such file or directory"});
    EXPECT_EQ(directory.entries(), std::vector<std::string>{"day.toml"});
}

TEST(ScenarioCommandLine, AnOutputNamingTheScenarioOrItsHeightmapIsRefusedAndBothKept) {
    ScratchDirectory directory;
    const std::string scenario = "[terrain]\nsource = \"jpeg\"\npath = \"hills.jpg\"\n";
    writeFile(directory.file("day.toml"), scenario);
    writeFile(directory.file("hills.jpg"), "not looked at before the clash is found");
    for (const std::vector<std::string>& outputs :
         {std::vector<std::string>{"--csv", "./day.toml"}, std::vector<std::string>{"--igc", "hills.jpg"}}) {
        std::vector<std::string> arguments = {"--scenario", "day.toml", "--steps", "10"};
        arguments.insert(arguments.end(), outputs.begin(), outputs.end());
        const ProgramRun run = runFlight(directory, arguments);
        EXPECT_EQ(run.status, 2);
        ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_NE(run.err.find(outputs[0]), std::string::npos) << run.err;
        EXPECT_EQ(readFile(directory.file("day.toml")), scenario);
        EXPECT_EQ(readFile(directory.file("hills.jpg")), "not looked at before the clash is found");
    }
}

TEST(ScenarioCommandLine, AScenarioThatSetsNothingFliesTheClassicStart) {
    ScratchDirectory directory;
    writeFile(directory.file("empty.toml"), "# nothing\n");
    const ProgramRun plain = runFlight(directory, {"--steps", "400"});
    const ProgramRun scripted = runFlight(directory, {"--steps", "400", "--scenario", "empty.toml"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(scripted.status, 0) << scripted.err;
    EXPECT_EQ(scripted.out, plain.out);
}

TEST(ScenarioCommandLine, TheCommandLineOverridesTheScenario) {
    ScratchDirectory directory;
    writeFile(directory.file("day.toml"), kWindyDay);
    // Everything the scenario sets, overridden, flies as the same options alone.
    const ProgramRun overridden =
        runFlight(directory, {"--steps", "600", "--scenario", "day.toml", "--wind", "1,0,0", "--thermal",
                              "20,150,2,80", "--ridge-lift", "off", "--pilot", "heading:270"});
    const ProgramRun alone = runFlight(directory, {"--steps", "600", "--generated-terrain", "--wind", "1,0,0",
                                                   "--thermal", "20,150,2,80", "--pilot", "heading:270"});
    ASSERT_EQ(overridden.status, 0) << overridden.err;
    ASSERT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(overridden.out, alone.out);
    // And the scenario on its own flies differently.
    const ProgramRun scenario = runFlight(directory, {"--steps", "600", "--scenario", "day.toml"});
    ASSERT_EQ(scenario.status, 0) << scenario.err;
    EXPECT_NE(scenario.out, alone.out);
}

TEST(ScenarioCommandLine, AirColumnsAreAddedOnRequestAndLeaveTheRestAsItWas) {
    ScratchDirectory directory;
    writeFile(directory.file("day.toml"), kWindyDay);
    const ProgramRun plain = runFlight(directory, {"--steps", "300", "--every", "100", "--scenario", "day.toml"});
    const ProgramRun withAir =
        runFlight(directory, {"--steps", "300", "--every", "100", "--scenario", "day.toml", "--air"});
    ASSERT_EQ(withAir.status, 0) << withAir.err;
    const std::vector<std::string> plainRows = lines(plain.out);
    const std::vector<std::string> airRows = lines(withAir.out);
    ASSERT_EQ(airRows.size(), plainRows.size());
    EXPECT_EQ(plainRows[0], "step,time,x,y,z,vx,vy,vz,speed,terrain");
    EXPECT_EQ(airRows[0], "step,time,x,y,z,vx,vy,vz,speed,terrain,air_vx,air_vy,air_vz");
    for (std::size_t i = 1; i < airRows.size(); ++i) {
        EXPECT_EQ(columns(airRows[i], 10), columns(plainRows[i], 10));
        const std::vector<std::string> air = columns(airRows[i], 13);
        ASSERT_EQ(air.size(), 13u);
        EXPECT_EQ(air[10], "0");
        EXPECT_EQ(air[11], "3");
        EXPECT_GT(std::stod(air[12]), 1.0) << "near the thermal's core the air rises";
    }
}

TEST(ScenarioCommandLine, TheSameSeedFliesTheSameBits) {
    ScratchDirectory directory;
    const std::vector<std::string> seven = {"--steps", "500", "--generated-terrain", "--thermals-random", "30,7",
                                            "--air"};
    const ProgramRun first = runFlight(directory, seven);
    const ProgramRun second = runFlight(directory, seven);
    const ProgramRun other =
        runFlight(directory, {"--steps", "500", "--generated-terrain", "--thermals-random", "30,8", "--air"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, second.out);
    EXPECT_NE(first.out, other.out);
}
