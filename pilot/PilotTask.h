#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "nmea/NmeaLink.h"
#include "pilot/PilotOptions.h"
#include "setup/FlightSetup.h"
#include "setup/TaskRun.h"

// What the panel and the map show of the task: plain figures, refreshed
// each frame without allocating.
struct TaskFigures {
    struct Point {
        double x = 0.0;      // (unit: m)
        double y = 0.0;      // (unit: m)
        double radius = 0.0; // (unit: m) the zone's, a line's half length
        bool line = false;
        double axis = 0.0;   // (unit: degrees) a line is crossed along it
    };
    std::string name;           // the task's
    std::vector<Point> points;  // start, turnpoints, finish
    std::vector<std::string> names;
    int next = 0;               // index of the point to reach; points.size() once finished
    double aimX = 0.0;          // (unit: m) the optimised route's point in the next zone
    double aimY = 0.0;
    bool started = false;
    bool finished = false;
    double bearing = 0.0;       // (unit: degrees)
    double distance = 0.0;      // (unit: m) to the next zone
    double requiredGlide = 0.0; // infinite at or below the next point
    double arrival = 0.0;       // (unit: m) over the next point
    double elapsed = 0.0;       // (unit: s) since the start
    double flown = 0.0;         // (unit: m) of the optimised task made good
    double taskDistance = 0.0;  // (unit: m)
};

// glider-pilot's task and flight computer: the task the flight was built
// with followed step by step, and live NMEA to the link the command line
// names, in simulated time (paced to the wall clock by the simulation), the
// clock starting at the real UTC time of the launch.
class PilotTask {
public:
    // Opens the link the options name, if any, before anything is written.
    // Returns "" or one line naming the option and what is wrong.
    std::string open(const PilotOptions& options);
    // Starts following `flight` (which must outlive this), its clock at
    // `startedAt`, the flight log's. Returns the IGC's C records declaring
    // the task, none without one.
    std::vector<std::string> start(const setup::ReadyFlight& flight, std::time_t startedAt);
    bool hasTask() const { return run && run->task() != nullptr; }

    // After each step; after a reset.
    void follow(const start::Flight& flight) {
        if (run) {
            run->follow(flight);
        }
    }
    void restart() {
        if (run) {
            run->restart();
        }
    }

    // Null without a task. Refreshes the figures in place.
    const TaskFigures* figures() const;
    // "task=completed task_km=... xc_points=...": the result at the end.
    std::string result() const { return run ? run->resultFields() : std::string(); }

private:
    std::unique_ptr<nmea::NmeaLink> link;
    std::optional<setup::TaskRun> run;
    mutable TaskFigures shown;
};
