#pragma once

#include <string>

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
    // malformed file returns one line naming it and what is wrong.
    static std::string load(const std::string& path, PilotSettings& settings);
    // Writes `settings` to `path` whole or not at all, creating its folder.
    static std::string save(const std::string& path, const PilotSettings& settings);
};
