#pragma once

#include <string>

#include "autopilot/SimplePilot.h"
#include "task/TaskProgress.h"

// Climb that makes the task pilot circle (averaged over a few seconds), and
// the climb under which it leaves the thermal (averaged over longer).
struct TaskThermalling {
    double enterClimb = 1.0;  // (unit: m/s)
    double leaveClimb = 0.3;  // (unit: m/s)
    double circleBank = 35.0; // (unit: degrees) right-hand circles
    double ceiling = 1e9;     // (unit: m) world height at which it goes on whatever the lift
};

// The simple pilot flying a task (`--pilot task`): through the start, each
// turnpoint's zone and the finish in order, gliding straight between them,
// and circling where the glider climbs well, until the lift fades. It aims
// inside each zone rather than at its edge, as a pilot makes sure of a
// turnpoint, and flies on along the last leg after the finish.
class TaskPilot {
public:
    // `progress` is the flight's, updated by the caller before each
    // decision; both it and `task` must outlive the pilot.
    TaskPilot(const task::Task& task, const task::TaskProgress& progress, double windX, double windY,
              const PilotLimits& limits = PilotLimits(), const PilotGains& gains = PilotGains(),
              const TaskThermalling& thermalling = TaskThermalling());

    // As SimplePilot::decide. Allocates nothing.
    PilotCommand decide(const PilotView& now);

    bool circling() const { return inThermal; }
    // (unit: m, world) where the pilot is heading now.
    double aimX() const { return aimAtX; }
    double aimY() const { return aimAtY; }

private:
    void aim(const PilotView& now);

    const task::Task& task;
    const task::TaskProgress& progress;
    TaskThermalling thermalling;
    SimplePilot pilot;
    double fastClimb = 0.0; // (unit: m/s) averaged over about 5 s
    double slowClimb = 0.0; // (unit: m/s) over about 20 s
    bool inThermal = false;
    long long steps = 0;
    long long circlingSince = 0;
    long long leftThermalAt = -100000;
    bool behindStartLine = false;
    double aimAtX = 0.0;
    double aimAtY = 0.0;
};

// Whether a --pilot value asks for the task pilot.
inline bool isTaskPilotPlan(const std::string& text) { return text == "task"; }
