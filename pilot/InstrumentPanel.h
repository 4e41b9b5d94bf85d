#pragma once

#include <cstdint>

#include "physics/Vector3D.h"

class FlightTrack;
struct TaskFigures;

// The pilot's instruments drawn with Dear ImGui: a panel of figures with a
// variometer bar and a wind arrow, a map with the track, the key help, and
// in a replay the position slider.
class InstrumentPanel {
public:
    struct Figures {
        double time = 0.0;        // (unit: s)
        double speedFactor = 1.0; // simulated seconds per wall second
        bool paused = false;
        bool muted = false;
        const char* camera = "chase";
        double airspeed = 0.0;    // (unit: m/s)
        double groundSpeed = 0.0; // (unit: m/s)
        double aboveStart = 0.0;  // (unit: m)
        double aboveGround = 0.0; // (unit: m)
        double vario = 0.0;       // (unit: m/s)
        double averaged = 0.0;    // (unit: m/s)
        double glide = 0.0;       // 0: no glide to show
        double heading = 0.0;     // (unit: degrees)
        Vector3D wind;            // (unit: m/s)
        double lateral = 0.0;     // weight shift, fraction of the range
        double fore = 0.0;
        double fps = 0.0;
        Vector3D pilot;           // (unit: m)
        Vector3D launch;          // (unit: m)
        bool replay = false;
        // 64 bits: ImGui's int slider cannot span more than half the ints.
        std::int64_t replayStep = 0;
        std::int64_t replayFirst = 0;
        std::int64_t replayLast = 0;
        const char* recordingProblem = ""; // one line, shown while not empty
        const TaskFigures* task = nullptr; // null: no task
    };

    // Draws everything into the current ImGui frame. In a replay, returns
    // true and sets `scrubTo` when the pilot moved the slider.
    bool draw(const Figures& figures, const FlightTrack& track, std::int64_t& scrubTo);

    void toggleHelp() { help = !help; }

private:
    bool help = true;
};
