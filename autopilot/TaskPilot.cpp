#include "autopilot/TaskPilot.h"

#include <cmath>

#include "physics/SharedConstants.h"

namespace {

constexpr double kFastClimbSeconds = 5.0;
constexpr double kSlowClimbSeconds = 20.0;
constexpr long long kMinCirclingSteps = 3000;   // half a minute in a thermal at least
constexpr long long kThermalPauseSteps = 6000;  // a minute before trying the same lift again
constexpr double kStartLineRunUp = 600.0;       // (unit: m) behind a start line before crossing it
constexpr double kBeyondLine = 300.0;           // (unit: m) aimed past a line, to cross it cleanly

double sinDeg(double d) { return std::sin(d * kPi / 180.0); }
double cosDeg(double d) { return std::cos(d * kPi / 180.0); }

} // namespace

TaskPilot::TaskPilot(const task::Task& t, const task::TaskProgress& p, double windX, double windY,
                     const PilotLimits& limits, const PilotGains& gains, const TaskThermalling& th)
    : task(t), progress(p), thermalling(th), pilot(PilotPlan(), windX, windY, limits, gains) {}

void TaskPilot::aim(const PilotView& now) {
    using task::ObservationZone;
    const task::TaskStatus& s = progress.status();
    const int n = static_cast<int>(task.points.size());
    const double px = now.position.x;
    const double py = now.position.y;
    if (n < 2) {
        // No task to fly: straight on.
        aimAtX = px + now.velocity.x;
        aimAtY = py + now.velocity.y;
        return;
    }
    if (s.finished) {
        // On along the last leg.
        const ObservationZone& last = task.points[static_cast<std::size_t>(n - 1)].zone;
        const ObservationZone& before = task.points[static_cast<std::size_t>(n - 2)].zone;
        aimAtX = px + (last.x - before.x);
        aimAtY = py + (last.y - before.y);
        return;
    }
    if (s.nextPoint == 0 || (s.nextPoint == 1 && !s.started)) {
        const ObservationZone& start = task.points[0].zone;
        if (start.shape == ObservationZone::Shape::Line) {
            // Run up from behind the line, then cross it along its axis.
            const double ax = sinDeg(start.axis);
            const double ay = cosDeg(start.axis);
            const double side = (px - start.x) * ax + (py - start.y) * ay;
            if (side < -0.5 * kStartLineRunUp) {
                behindStartLine = true;
            } else if (side > 0.5 * kStartLineRunUp) {
                behindStartLine = false; // crossed while the gate was shut: round again
            }
            const double depth = behindStartLine ? kBeyondLine : -kStartLineRunUp;
            aimAtX = start.x + depth * ax;
            aimAtY = start.y + depth * ay;
        } else if (task::contains(start, px, py)) {
            // Leaving the start cylinder towards the first turnpoint starts.
            aimAtX = progress.routeX(1);
            aimAtY = progress.routeY(1);
        } else {
            aimAtX = start.x;
            aimAtY = start.y;
        }
        return;
    }
    const int k = s.nextPoint;
    const ObservationZone& zone = task.points[static_cast<std::size_t>(k)].zone;
    if (zone.shape == ObservationZone::Shape::Line) {
        aimAtX = progress.routeX(k) + kBeyondLine * sinDeg(zone.axis);
        aimAtY = progress.routeY(k) + kBeyondLine * cosDeg(zone.axis);
    } else if (zone.halfAngle >= 180.0) {
        // Halfway between the route's point on the edge and the centre.
        aimAtX = 0.5 * (progress.routeX(k) + zone.x);
        aimAtY = 0.5 * (progress.routeY(k) + zone.y);
    } else {
        const double depth = 0.5 * (zone.radius > 0.0 ? zone.radius : zone.innerRadius);
        aimAtX = zone.x + depth * sinDeg(zone.axis);
        aimAtY = zone.y + depth * cosDeg(zone.axis);
    }
}

PilotCommand TaskPilot::decide(const PilotView& now) {
    ++steps;
    const double climb = now.velocity.z;
    fastClimb += (climb - fastClimb) * kSecondsPerStep / kFastClimbSeconds;
    slowClimb += (climb - slowClimb) * kSecondsPerStep / kSlowClimbSeconds;
    if (inThermal) {
        const bool faded = steps - circlingSince > kMinCirclingSteps && slowClimb < thermalling.leaveClimb;
        if (faded || now.position.z >= thermalling.ceiling) {
            inThermal = false;
            leftThermalAt = steps;
        }
    } else if (fastClimb > thermalling.enterClimb && steps - leftThermalAt > kThermalPauseSteps &&
               now.position.z < thermalling.ceiling && !progress.status().finished) {
        inThermal = true;
        circlingSince = steps;
        slowClimb = fastClimb; // judged from here on, not by the glide before
        // Circle about a point a little ahead, where the lift was felt.
        PilotPlan circle;
        circle.mode = PilotPlan::Mode::Circle;
        circle.centreX = now.position.x + 2.0 * now.velocity.x;
        circle.centreY = now.position.y + 2.0 * now.velocity.y;
        circle.bank = thermalling.circleBank;
        pilot.changePlan(circle);
    }
    if (!inThermal) {
        aim(now);
        PilotPlan heading;
        heading.mode = PilotPlan::Mode::Heading;
        heading.heading = task::bearingOf(aimAtX - now.position.x, aimAtY - now.position.y);
        pilot.changePlan(heading);
    }
    return pilot.decide(now);
}
