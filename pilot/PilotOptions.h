#pragma once

#include <string>

#include "physics/Vector3D.h"
#include "terrain/DemHeightField.h"

// What glider-pilot is asked to fly, as read from its command line.
struct PilotOptions {
    std::string scenarioPath;        // empty: the built-in ridge scenario
    std::string model = "realistic"; // "realistic" or "classic"
    bool modelGiven = false;         // --model overrides a named scenario's model
    std::string terrainPath;         // greyscale JPEG heightmap; empty: the scenario's or generated
    bool generatedTerrain = false;
    DemRequest dem;                  // empty path: no elevation model
    std::string imageryPath;         // aerial imagery drawn on the elevation model; empty: the scenario's, if any
    bool windGiven = false;
    Vector3D wind;                   // (unit: m/s)
    std::string replayPath;          // a recorded CSV to play back instead of flying
    std::string flightsDirectory = "flights";
    std::string camera;              // empty: the saved setting
    bool mute = false;
    double quitAfter = 0.0;          // (unit: s of wall time) 0: run until closed
    bool stats = false;              // frame and pacing figures on standard error at exit
    int width = 1024;                // (unit: pixels)
    int height = 768;                // (unit: pixels)
    // The task and the flight computer.
    std::string task;                // FILE.cup[:NAME]; empty: the scenario's, if any
    std::string nmea;                // udp:HOST:PORT | tcp-listen:[HOST:]PORT; empty: none
};

struct PilotCommandLine {
    enum class Outcome { Run, Help, Error };
    Outcome outcome = Outcome::Run;
    PilotOptions options;
    std::string message; // Help: the usage. Error: one line naming the option.
};

PilotCommandLine parsePilotCommandLine(int argc, const char* const* argv);
