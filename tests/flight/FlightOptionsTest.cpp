// Command lines that glider-flight accepts, and what it makes of them. The
// rejected ones are run through the program itself (GliderFlightProgramTest).
#include <gtest/gtest.h>

#include <tuple>

#include "scene/StartScene.h"
#include "flight/FlightOptions.h"
#include "setup/OptionValues.h"

using namespace flight;

namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "glider-flight");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

} // namespace

TEST(FlightOptions, WithoutOptionsItFliesTheWindowedProgramsMinuteInStillAir) {
    const CommandLine line = parse({});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.message;
    const FlightOptions& options = line.options;
    EXPECT_EQ(options.steps, 6000);
    EXPECT_FALSE(options.untilLanded);
    EXPECT_EQ(options.terrainPath, "");
    EXPECT_FALSE(options.generatedTerrain);
    EXPECT_TRUE(options.keys.empty());
    EXPECT_EQ(options.wind, Vector3D(0.0, 0.0, 0.0));
    EXPECT_EQ(options.csvPath, "-");
    EXPECT_EQ(options.every, 1);
    EXPECT_EQ(options.igcPath, "");
    EXPECT_EQ(std::tie(options.origin.latitude, options.origin.longitude, options.origin.elevation),
              std::make_tuple(45.0, 6.0, 500.0));
    EXPECT_EQ(std::tie(options.date.year, options.date.month, options.date.day), std::make_tuple(2000, 1, 1));
}

TEST(FlightOptions, EveryOptionIsReadIntoItsField) {
    const CommandLine line =
        parse({"--steps", "2500", "--until-landed", "--terrain", "hills.jpg", "--wind", "-1.25,2,0.5", "--csv",
               "out.csv", "--every", "50", "--igc", "out.igc", "--origin", "-33.5,-70.25,1200", "--date",
               "2024-02-29", "--key", "10:left"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.message;
    const FlightOptions& options = line.options;
    EXPECT_EQ(options.steps, 2500);
    EXPECT_TRUE(options.untilLanded);
    EXPECT_EQ(options.terrainPath, "hills.jpg");
    EXPECT_EQ(options.wind, Vector3D(-1.25, 2.0, 0.5));
    EXPECT_EQ(options.csvPath, "out.csv");
    EXPECT_EQ(options.every, 50);
    EXPECT_EQ(options.igcPath, "out.igc");
    EXPECT_EQ(std::tie(options.origin.latitude, options.origin.longitude, options.origin.elevation),
              std::make_tuple(-33.5, -70.25, 1200.0));
    EXPECT_EQ(std::tie(options.date.year, options.date.month, options.date.day), std::make_tuple(2024, 2, 29));
    EXPECT_TRUE(parse({"--generated-terrain"}).options.generatedTerrain);
}

TEST(FlightOptions, KeysAreOrderedByStepAndKeepTheirCommandLineOrderWithinAStep) {
    const CommandLine line =
        parse({"--key", "30:up", "--key", "10:LEFT", "--key", "30:f1", "--key", "10:right", "--key", "0:down"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.message;
    const std::vector<std::pair<int, PilotCommand>> expected = {{0, PilotCommand::Aft},
                                                       {10, PilotCommand::Left},
                                                       {10, PilotCommand::Right},
                                                       {30, PilotCommand::Fore},
                                                       {30, PilotCommand::Reset}};
    std::vector<std::pair<int, PilotCommand>> keys;
    for (const KeyPress& press : line.options.keys) {
        keys.emplace_back(press.step, press.command);
    }
    EXPECT_EQ(keys, expected);
}

TEST(FlightOptions, TheRunsLimitsAreInclusive) {
    EXPECT_EQ(parse({"--steps", "0"}).options.steps, 0);
    EXPECT_EQ(parse({"--steps", "8640000"}).options.steps, kMaxSteps);
    EXPECT_EQ(parse({"--steps", "8640001"}).outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(parse({"--steps", "100", "--key", "99:f1"}).outcome, CommandLine::Outcome::Run);
    EXPECT_EQ(parse({"--wind", "100,-100,0"}).outcome, CommandLine::Outcome::Run);
    EXPECT_EQ(parse({"--wind", "100.5,0,0"}).outcome, CommandLine::Outcome::Error);
}

TEST(FlightOptions, DatesMustBeRealDaysThatATwoDigitYearNamesUniquely) {
    CalendarDate date;
    EXPECT_EQ(readDate("2000-02-29", date), "");
    EXPECT_EQ(readDate("1980-01-01", date), "");
    EXPECT_EQ(readDate("2079-12-31", date), "");
    EXPECT_NE(readDate("1979-12-31", date), "");
    EXPECT_NE(readDate("2080-01-01", date), "");
    EXPECT_NE(readDate("2023-02-29", date), "");
    EXPECT_NE(readDate("2024-04-31", date), "");
    EXPECT_NE(readDate("2024-13-01", date), "");
    EXPECT_NE(readDate("2024-1-01", date), "");
    EXPECT_EQ(std::tie(date.year, date.month, date.day), std::make_tuple(2079, 12, 31)); // the last one read
}

TEST(FlightOptions, TheModelIsClassicUnlessRealisticIsNamed) {
    EXPECT_EQ(parse({}).options.model, start::FlightModel::Classic);
    EXPECT_EQ(parse({"--model", "realistic"}).options.model, start::FlightModel::Realistic);
    EXPECT_EQ(parse({"--model", "classic"}).options.model, start::FlightModel::Classic);
    const CommandLine bad = parse({"--model", "Realistic2"});
    ASSERT_EQ(bad.outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(bad.message, "--model: expected classic or realistic, got 'Realistic2'");
}

TEST(FlightOptions, LaunchAndSolverIterationsAreReadAndBounded) {
    const CommandLine line =
        parse({"--model", "realistic", "--launch", "10,-20,800,90", "--iterations", "100"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.message;
    EXPECT_TRUE(line.options.hasLaunch);
    EXPECT_EQ(line.options.launch.position, Vector3D(10.0, -20.0, 800.0));
    EXPECT_EQ(line.options.launch.headingDegrees, 90.0);
    EXPECT_EQ(line.options.solverIterations, 100);
    EXPECT_FALSE(parse({}).options.hasLaunch);

    EXPECT_EQ(parse({"--launch", "0,0,800,360"}).outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(parse({"--launch", "0,0,20000,0"}).outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(parse({"--launch", "0,0,800"}).outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(parse({"--model", "realistic", "--iterations", "0"}).outcome, CommandLine::Outcome::Error);
    // A scenario's model is known once it is read: the glider-flight run decides.
    EXPECT_EQ(parse({"--scenario", "realistic.toml", "--iterations", "30"}).outcome, CommandLine::Outcome::Run);
    const CommandLine classic = parse({"--iterations", "30"});
    ASSERT_EQ(classic.outcome, CommandLine::Outcome::Error);
    EXPECT_EQ(classic.message, "--iterations: only the realistic model's solver takes a cap (add --model realistic)");
}
