#include "task/TaskProgress.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace task {

namespace {

// The point of a cylinder on the shortest path from p to q: where the
// radius bisects the directions to p and q (the path reflects off the
// circle). A few fixed-point rounds from the centre's bisector; the exact
// search of touchPoint where the path crosses the zone or it is no cylinder.
void quickTouch(const ObservationZone& z, double px, double py, double qx, double qy, double& ox, double& oy) {
    const double ux = qx - px;
    const double uy = qy - py;
    const double length2 = ux * ux + uy * uy;
    const double s = length2 > 0.0 ? std::clamp(((z.x - px) * ux + (z.y - py) * uy) / length2, 0.0, 1.0) : 0.0;
    const bool crosses = std::hypot(px + s * ux - z.x, py + s * uy - z.y) <= z.radius;
    if (z.shape == ObservationZone::Shape::Line || z.halfAngle < 180.0 || z.radius <= 0.0 || crosses) {
        touchPoint(z, px, py, qx, qy, ox, oy);
        return;
    }
    ox = z.x;
    oy = z.y;
    for (int i = 0; i < 4; ++i) {
        const double ap = std::hypot(px - ox, py - oy);
        const double aq = std::hypot(qx - ox, qy - oy);
        double nx = (px - ox) / ap + (qx - ox) / aq;
        double ny = (py - oy) / ap + (qy - oy) / aq;
        const double norm = std::hypot(nx, ny);
        if (norm < 1e-9) {
            // p, o and q in a line: the straight path passes the centre's side.
            touchPoint(z, px, py, qx, qy, ox, oy);
            return;
        }
        ox = z.x + z.radius * nx / norm;
        oy = z.y + z.radius * ny / norm;
    }
}

} // namespace

TaskProgress::TaskProgress(const Task& t, double ratio, double secondOfDay)
    : task(t), glideRatio(ratio), secondOfDayAtZero(secondOfDay) {
    const std::size_t n = task.points.size();
    reached.assign(n, -1.0);
    routeXs.resize(n);
    routeYs.resize(n);
    tail.assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        routeXs[i] = task.points[i].zone.x;
        routeYs[i] = task.points[i].zone.y;
    }
    if (n < 2) {
        return; // not a task: nothing to follow
    }
    // Each point in turn where the path from its neighbours is shortest; a
    // few rounds settle a task of cylinders to well under a metre.
    for (int round = 0; round < 20; ++round) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t before = i == 0 ? 1 : i - 1;
            const std::size_t after = i + 1 == n ? n - 2 : i + 1;
            touchPoint(task.points[i].zone, routeXs[before], routeYs[before], routeXs[after], routeYs[after],
                       routeXs[i], routeYs[i]);
        }
    }
    for (std::size_t i = n - 1; i-- > 0;) {
        tail[i] = tail[i + 1] + std::hypot(routeXs[i + 1] - routeXs[i], routeYs[i + 1] - routeYs[i]);
    }
    state.taskDistance = tail[0];
}

void TaskProgress::update(double time, double x, double y, double altitude) {
    if (task.points.size() < 2) {
        return;
    }
    if (havePrevious && !state.finished) {
        advance(lastTime, lastX, lastY, time, x, y);
    }
    havePrevious = true;
    lastTime = time;
    lastX = x;
    lastY = y;
    if (state.started && !state.finished) {
        state.elapsed = time - state.startTime;
    }
    measure(x, y, altitude);
}

void TaskProgress::advance(double time0, double x0, double y0, double time1, double x1, double y1) {
    const int n = static_cast<int>(task.points.size());
    double from = 0.0; // the fraction of the step already used by an earlier crossing
    bool startedNow = false;
    while (state.nextPoint < n) {
        const double sx = x0 + from * (x1 - x0);
        const double sy = y0 + from * (y1 - y0);
        // Before the first turnpoint the start may be taken again.
        if (state.nextPoint <= 1 && !startedNow) {
            const ObservationZone& start = task.points[0].zone;
            const double f = start.shape == ObservationZone::Shape::Line ? entryFraction(start, sx, sy, x1, y1)
                                                                         : exitFraction(start, sx, sy, x1, y1);
            // The crossing is reached only within the rest of the step.
            if (f > 0.0 || (f == 0.0 && start.shape == ObservationZone::Shape::Line)) {
                const double at = from + f * (1.0 - from);
                const double when = time0 + at * (time1 - time0);
                if (task.startOpens < 0.0 || secondOfDayAtZero + when >= task.startOpens) {
                    state.started = true;
                    state.startTime = when;
                    reached[0] = when;
                    state.nextPoint = 1;
                    startedNow = true;
                    from = at;
                    if (at >= 1.0) {
                        return;
                    }
                    continue;
                }
            }
        }
        if (state.nextPoint == 0) {
            return;
        }
        const ObservationZone& zone = task.points[static_cast<std::size_t>(state.nextPoint)].zone;
        const double f = entryFraction(zone, sx, sy, x1, y1);
        if (f < 0.0) {
            return;
        }
        const double at = from + f * (1.0 - from);
        const double when = time0 + at * (time1 - time0);
        reached[static_cast<std::size_t>(state.nextPoint)] = when;
        ++state.nextPoint;
        if (state.nextPoint == n) {
            state.finished = true;
            state.finishTime = when;
            state.elapsed = when - state.startTime;
            state.distanceFlown = state.taskDistance;
            return;
        }
        from = at;
    }
}

void TaskProgress::measure(double x, double y, double altitude) {
    const int n = static_cast<int>(task.points.size());
    const int k = state.finished ? n - 1 : (state.nextPoint == 0 ? 0 : state.nextPoint);
    const TaskPoint& next = task.points[static_cast<std::size_t>(k)];
    double ox = routeXs[static_cast<std::size_t>(k)];
    double oy = routeYs[static_cast<std::size_t>(k)];
    if (!state.finished) {
        const double qx = k + 1 < n ? routeXs[static_cast<std::size_t>(k + 1)] : x;
        const double qy = k + 1 < n ? routeYs[static_cast<std::size_t>(k + 1)] : y;
        const double leave = k == 0 ? exitFraction(next.zone, x, y, qx, qy) : -1.0;
        if (leave >= 0.0) {
            // Inside a start cylinder: the way on is out of it.
            ox = x + leave * (qx - x);
            oy = y + leave * (qy - y);
        } else {
            quickTouch(next.zone, x, y, qx, qy, ox, oy);
        }
    }
    state.nextDistance = std::hypot(ox - x, oy - y);
    state.nextBearing = bearingOf(ox - x, oy - y);
    const double height = altitude - next.elevation;
    state.requiredGlide = height > 0.0 ? state.nextDistance / height : std::numeric_limits<double>::infinity();
    state.arrivalHeight = height - state.nextDistance / glideRatio;
    if (state.started && !state.finished) {
        const double qx = k + 1 < n ? routeXs[static_cast<std::size_t>(k + 1)] : ox;
        const double qy = k + 1 < n ? routeYs[static_cast<std::size_t>(k + 1)] : oy;
        const double remaining = state.nextDistance + std::hypot(qx - ox, qy - oy) +
                                 (k + 1 < n ? tail[static_cast<std::size_t>(k + 1)] : 0.0);
        const double made = state.taskDistance - remaining;
        if (made > state.distanceFlown) {
            state.distanceFlown = made;
        }
    }
}

} // namespace task
