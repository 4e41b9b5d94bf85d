#pragma once

#include <vector>

#include "task/Task.h"

namespace task {

// Where a flight stands on its task after the latest step.
struct TaskStatus {
    bool started = false;
    bool finished = false;
    int nextPoint = 0;          // index into Task::points of the zone to reach next; points.size() once finished
    double startTime = 0.0;     // (unit: s) flight time of the (last) start
    double finishTime = 0.0;    // (unit: s)
    double elapsed = 0.0;       // (unit: s) since the start, up to the finish
    double taskDistance = 0.0;  // (unit: m) the optimised task, start to finish through the zones
    double distanceFlown = 0.0; // (unit: m) the most of it made good so far
    double nextBearing = 0.0;   // (unit: degrees) to the next zone's nearest point on the way on
    double nextDistance = 0.0;  // (unit: m)
    double requiredGlide = 0.0; // distance over height above the next point; infinite at or below it
    double arrivalHeight = 0.0; // (unit: m) over the next point, gliding at the given ratio
};

// Follows a flight along a task, step by step: turnpoints count in order,
// when the track crosses into their zones (the start when it crosses its
// line or leaves its cylinder, while the gate is open; a later start before
// the first turnpoint replaces it), at the moment between two steps where
// the straight path between them meets the zone. Allocates nothing per step.
class TaskProgress {
public:
    // `task` needs a start and a finish at least (fewer: nothing is
    // followed). `glideRatio`: the glider's, for the arrival height. `secondOfDayAtZero`:
    // the time of day at flight time 0, for the start gate.
    TaskProgress(const Task& task, double glideRatio, double secondOfDayAtZero = 0.0);

    // The glider at flight time `time` (s), world metres and altitude above
    // sea level (m).
    void update(double time, double x, double y, double altitude);
    // The glider was put somewhere else (a reset): no path joins the last
    // position to the next one.
    void breakTrack() { havePrevious = false; }

    const TaskStatus& status() const { return state; }
    // (unit: s) when each point was reached, -1 while it is not.
    double reachedAt(int point) const { return reached[static_cast<std::size_t>(point)]; }
    // The optimised route's point in each zone (world metres).
    double routeX(int point) const { return routeXs[static_cast<std::size_t>(point)]; }
    double routeY(int point) const { return routeYs[static_cast<std::size_t>(point)]; }

private:
    void advance(double time0, double x0, double y0, double time1, double x1, double y1);
    void measure(double x, double y, double altitude);

    const Task& task;
    double glideRatio;
    double secondOfDayAtZero;
    TaskStatus state;
    std::vector<double> reached;
    std::vector<double> routeXs;
    std::vector<double> routeYs;
    std::vector<double> tail; // (unit: m) from each route point to the finish along the route
    bool havePrevious = false;
    double lastTime = 0.0;
    double lastX = 0.0;
    double lastY = 0.0;
};

} // namespace task
