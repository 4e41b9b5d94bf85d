// The scenario, air and pilot options of glider-flight, as parsed.
#include <gtest/gtest.h>

#include "flight/FlightOptions.h"

using namespace flight;

namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "glider-flight");
    return parseCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

} // namespace

TEST(AirOptions, WithoutThemTheScenarioAndCsvAreUntouched) {
    const FlightOptions options = parse({}).options;
    EXPECT_EQ(options.scenarioPath, "");
    EXPECT_FALSE(options.windGiven);
    EXPECT_TRUE(options.thermals.empty());
    EXPECT_FALSE(options.randomThermalsGiven);
    EXPECT_EQ(options.ridgeLift, -1);
    EXPECT_EQ(options.pilot.mode, PilotPlan::Mode::None);
    EXPECT_FALSE(options.air);
}

TEST(AirOptions, EachIsReadIntoItsField) {
    const CommandLine line =
        parse({"--scenario", "day.toml", "--wind", "0,8,0", "--thermal", "10,-20,3,100", "--thermal",
               "500,0,2.5,80", "--thermals-random", "20,77", "--ridge-lift", "off", "--pilot", "circle:10,-20,-35",
               "--air"});
    ASSERT_EQ(line.outcome, CommandLine::Outcome::Run) << line.message;
    const FlightOptions& o = line.options;
    EXPECT_EQ(o.scenarioPath, "day.toml");
    EXPECT_TRUE(o.windGiven);
    ASSERT_EQ(o.thermals.size(), 2u);
    EXPECT_EQ(o.thermals[0].x, 10.0);
    EXPECT_EQ(o.thermals[0].y, -20.0);
    EXPECT_EQ(o.thermals[1].updraft, 2.5);
    EXPECT_EQ(o.thermals[1].radius, 80.0);
    EXPECT_TRUE(o.randomThermalsGiven);
    EXPECT_EQ(o.randomThermals.count, 20);
    EXPECT_EQ(o.randomThermals.seed, 77u);
    EXPECT_EQ(o.ridgeLift, 0);
    EXPECT_EQ(o.pilot.mode, PilotPlan::Mode::Circle);
    EXPECT_EQ(o.pilot.bank, -35.0);
    EXPECT_TRUE(o.air);
    EXPECT_EQ(parse({"--ridge-lift", "on"}).options.ridgeLift, 1);
}

TEST(AirOptions, PilotPlansReadTheirNumbersStrictly) {
    PilotPlan plan;
    EXPECT_EQ(readPilotPlan("heading:270", plan), "");
    EXPECT_EQ(plan.mode, PilotPlan::Mode::Heading);
    EXPECT_EQ(plan.heading, 270.0);
    EXPECT_EQ(readPilotPlan("line:-400,-110,400,-110", plan), "");
    EXPECT_EQ(plan.mode, PilotPlan::Mode::Line);
    EXPECT_EQ(plan.x1, -400.0);
    EXPECT_EQ(plan.y2, -110.0);
    for (const char* bad : {"heading:", "heading:90,1", "heading: 90", "heading:inf", "heading:0x10", "circle:0,0,2",
                            "circle:0,0,75", "line:0,0,50,0", "line:0,0,1e400,0", "orbit:0,0,30", "90",
                            "heading:1e308", "heading:-361",                            "circle:1000001,0,30", "circle:0,-2e6,30", "line:0,0,0,1e7", "line:-1e300,0,0,0"}) {
        PilotPlan untouched = plan;
        EXPECT_NE(readPilotPlan(bad, untouched), "") << bad;
        EXPECT_EQ(untouched.mode, PilotPlan::Mode::Line) << bad;
    }
}
