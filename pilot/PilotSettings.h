#pragma once

#include <string>
#include <vector>

// What a pilot expects the simulator to remember between flights, kept in
// a small TOML file in the user's configuration folder.
struct PilotSettings {
    double volume = 0.6;          // 0 to 1
    bool muted = false;
    std::string camera = "chase"; // chase, pilot, orbit or ground
    double climbThreshold = 0.1;  // (unit: m/s) the vario beeps from this climb
    double sinkThreshold = -2.0;  // (unit: m/s) the sink tone below this
    double deadZone = 0.15;       // stick deflection ignored, 0 to 0.9
    bool invertFore = false;      // stick back = pilot forward
    int lateralAxis = 0;          // joystick axis for the lateral shift
    int foreAxis = 1;             // joystick axis for the fore-aft shift

    // $XDG_CONFIG_HOME/glider-sim/pilot.toml, else ~/.config/glider-sim/pilot.toml;
    // empty when neither variable is set.
    static std::string defaultPath();

    // Reads `path` into `settings`; a missing file leaves the defaults. On a
    // malformed file, or one that is not a regular file, returns one line
    // naming it and what is wrong. A key it does not know (a misspelling, a
    // later version's) is no fault: one line each, "FILE:LINE: KEY: ...", goes
    // to `warnings` when given.
    static std::string load(const std::string& path, PilotSettings& settings,
                            std::vector<std::string>* warnings = nullptr);
    // Writes `settings` to `path` whole or not at all, creating its folders.
    // A file that already holds these values is left as it is (its comments
    // with it); otherwise the keys it does not know are kept, and every
    // value is written so that it reads back the same.
    static std::string save(const std::string& path, const PilotSettings& settings);

    bool operator==(const PilotSettings& other) const;
    bool operator!=(const PilotSettings& other) const { return !(*this == other); }
};
