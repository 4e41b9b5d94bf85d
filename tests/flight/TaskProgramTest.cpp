// glider-flight with a task: flown by the task pilot to its goal, declared in
// the log, scored in the summary; bad tasks and links refused in one line.
#include <gtest/gtest.h>

#include "tests/flight/ProgramRun.h"

using flighttest::expectRefusedInOneLine;
using flighttest::lines;
using flighttest::ProgramRun;
using flighttest::readFile;
using flighttest::runFlight;
using flighttest::ScratchDirectory;
using flighttest::writeFile;

namespace {

// Flat ground, the realistic glider 1200 m up, 800 m south of a start at
// the origin (46 N, 7 E); a 1.5 km dogleg to the north-east and back west.
const char* kTaskDay = R"(model = "realistic"
[terrain]
source = "flat"
size = 12000
spacing = 200
[start]
position = [0, -800, 1200]
heading = 0
[task]
points = [[46.0, 7.0], [46.0, 7.02], [46.012, 7.0]]
)";

// As SeeYou writes it, line 3 with a latitude past 90 degrees.
const char* kBadCup = "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n"
                      "\"Start\",\"S\",CH,4600.000N,00700.000E,500.0m,1,,,,\"\"\r\n"
                      "\"Far\",\"F\",CH,9100.000N,00700.000E,500.0m,1,,,,\"\"\r\n";

const char* kGoodCup = "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n"
                       "\"Start\",\"S\",CH,4600.000N,00700.000E,500.0m,1,,,,\"\"\r\n"
                       "\"Goal\",\"G\",CH,4601.000N,00700.000E,1640ft,1,,,,\"\"\r\n"
                       "-----Related Tasks-----\r\n"
                       "\"Out\",\"Start\",\"Start\",\"Goal\",\"Goal\"\r\n";

} // namespace

TEST(TaskFlight, TheTaskPilotFliesTheScenarioTaskToGoalAndTheLogDeclaresIt) {
    ScratchDirectory dir;
    writeFile(dir.file("day.toml"), kTaskDay);
    const ProgramRun run = runFlight(dir, {"--scenario", "day.toml", "--origin", "46,7,0", "--pilot", "task",
                                           "--steps", "100000", "--until-goal", "--csv", "out.csv", "--every",
                                           "1000", "--igc", "out.igc"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* field : {" task=completed ", " task_km=", " task_kmh=", " xc_type=", " xc_km=", " xc_points="}) {
        EXPECT_NE(run.err.find(field), std::string::npos) << field << " in " << run.err;
    }
    // The C records after the header, before the first fix: the declaration,
    // takeoff, start, turnpoint, finish, landing.
    std::vector<std::string> kinds;
    for (const std::string& line : lines(readFile(dir.file("out.igc")))) {
        if (kinds.empty() || kinds.back()[0] != line[0]) {
            kinds.push_back(line.substr(0, 1));
        }
        if (line[0] == 'C') {
            kinds.back() += "C";
        }
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"A", "H", "CCCCCCC", "B"}));
}

TEST(TaskFlight, BadTasksAndLinksAreRefusedInOneLineNamingWhatIsWrong) {
    struct Case {
        std::vector<std::string> arguments;
        std::string scenario; // written to day.toml when not empty
        std::string named;
    };
    const std::string flat = "[terrain]\nsource = \"flat\"\n";
    const std::vector<Case> cases = {
        {{"--task", "bad.cup"}, "", "--task: bad.cup:3: field lat"},
        {{"--task", "none.cup"}, "", "none.cup"},
        {{"--task", "good.cup:Back"}, "", "good.cup: no task named 'Back'"},
        {{"--pilot", "task"}, "", "--pilot: task: no task to fly"},
        {{"--until-goal"}, "", "--until-goal: no task to reach"},
        {{"--nmea", "serial:/dev/ttyS0"}, "", "--nmea"},
        {{"--scenario", "day.toml"}, flat + "[task]\nfile = \"bad.cup\"\n", "bad.cup:3: field lat"},
        {{"--scenario", "day.toml"}, flat + "[task]\nfile = \"good.cup\"\npoints = [[46, 7], [46.1, 7]]\n",
         "day.toml:3: task.file: expected either a .cup file or points"},
        {{"--scenario", "day.toml"}, flat + "[task]\npoints = [[46, 7]]\n", "day.toml:4: task.points: expected 2 to"},
        {{"--scenario", "day.toml"}, flat + "[task]\npoints = [[46, 7], [95, 7]]\n", "task.points[2]"},
        {{"--scenario", "day.toml"}, flat + "[task]\nfiles = \"good.cup\"\n", "task.files: unknown key"},
    };
    for (const Case& c : cases) {
        ScratchDirectory dir;
        writeFile(dir.file("bad.cup"), kBadCup);
        writeFile(dir.file("good.cup"), kGoodCup);
        if (!c.scenario.empty()) {
            writeFile(dir.file("day.toml"), c.scenario);
        }
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--steps", "10", "--csv", "out.csv"});
        if (c.scenario.empty()) {
            arguments.push_back("--generated-terrain");
        }
        SCOPED_TRACE(c.named);
        expectRefusedInOneLine(runFlight(dir, arguments), c.named);
        EXPECT_EQ(dir.entries(), (c.scenario.empty() ? std::vector<std::string>{"bad.cup", "good.cup"}
                                                     : std::vector<std::string>{"bad.cup", "day.toml", "good.cup"}));
    }
}
