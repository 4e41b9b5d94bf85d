#pragma once

#include <string>
#include <vector>

#include "atmosphere/RandomThermals.h"
#include "atmosphere/Thermal.h"
#include "autopilot/PilotPlan.h"
#include "physics/Vector3D.h"
#include "recording/CalendarDate.h"
#include "recording/GeoOrigin.h"
#include "scene/StartScene.h"
#include "terrain/DemHeightField.h"

// Everything glider-flight is asked to do, as read from its command line.
namespace flight {

// The longest run accepted: one simulated day. It keeps the step counter far
// from overflow and the log's clock, which starts at noon, within two dates.
constexpr int kMaxSteps = 8'640'000;
// The highest launch accepted, above any mountain; and the most solver passes.
constexpr double kMaxLaunchHeight = 10000.0; // (unit: m)
constexpr int kMaxSolverIterations = 1000;

// A special key pressed before step `step` (the number of steps already run).
struct KeyPress {
    int step = 0;
    PilotCommand command = PilotCommand::None; // what the key does, as in the windowed program
};

// Terrain from an elevation model, and where the glider starts over it.
struct DemOptions {
    DemRequest window;         // empty path: no elevation model
    bool hasStart = false;     // false: above the window's centre
    GeoCoordinate start;
    double startHeight = 0.0;  // (unit: metres above the ground there)
};

struct FlightOptions {
    int steps = 6000;
    bool untilLanded = false;
    std::string terrainPath; // empty: the windowed program's terrain.jpg
    bool generatedTerrain = false;
    std::vector<KeyPress> keys; // by step; keys of one step in command-line order
    Vector3D wind;              // (unit: m/s) the air's velocity
    std::string csvPath = "-";  // "-" is standard output
    int every = 1;              // a CSV row every `every` steps
    std::string igcPath;        // empty: no IGC log
    GeoOrigin origin;
    bool originGiven = false;
    CalendarDate date;
    // The flight model and where it starts.
    start::FlightModel model = start::FlightModel::Classic;
    bool hasLaunch = false;   // false: the windowed program's start
    start::Launch launch;
    bool launchGiven = false;
    int solverIterations = 0; // 0: the model's own cap (realistic only)
    DemOptions dem;
    // The scenario, and the air and pilot options that override it.
    std::string scenarioPath;       // empty: none, the classic start
    bool modelGiven = false;        // --model overrides the scenario's model
    bool windGiven = false;         // --wind overrides the scenario's wind
    std::vector<Thermal> thermals;  // --thermal, replacing the scenario's when any
    RandomThermals randomThermals;  // --thermals-random
    bool randomThermalsGiven = false;
    int ridgeLift = -1;             // -1: the scenario's; 0 off; 1 on
    PilotPlan pilot;                // --pilot; mode None: the scenario's
    bool air = false;               // three more CSV columns: the air's velocity at the pilot
    // The task and the flight computer.
    std::string task;               // --task FILE.cup[:NAME]; empty: the scenario's, if any
    std::string nmea;               // --nmea udp:HOST:PORT | tcp-listen:[HOST:]PORT; empty: none
    bool untilGoal = false;         // stop after the step that reaches the task's finish
};

struct CommandLine {
    enum class Outcome { Run, Help, Error };
    Outcome outcome = Outcome::Run;
    FlightOptions options;
    // Help: the usage text. Error: one line naming the option, no newline.
    std::string message;
};

CommandLine parseCommandLine(int argc, const char* const* argv);

// Key names as typed on the command line: f1, left, right, up, down.
// Returns false for any other name.
bool commandFromKeyName(const std::string& name, PilotCommand& command);

} // namespace flight
