#include "autopilot/SimplePilot.h"

#include <algorithm>
#include <cmath>
#include "physics/SharedConstants.h"

namespace {

constexpr double kDegrees = 180.0 / kPi;
constexpr double kGravity = 9.80665; // (unit: m/s²)

double clamp(double v, double low, double high) { return std::max(low, std::min(high, v)); }

// The heading from a to b, clockwise from +y.
double bearing(double ax, double ay, double bx, double by) {
    double b = std::atan2(bx - ax, by - ay) * kDegrees;
    return b < 0.0 ? b + 360.0 : b;
}

// The course wanted at (dx, dy) (m) from a circle's centre: along the
// circle of `radius` (m) the way `side` turns (+1 clockwise), bent towards
// the centre outside the circle and away from it inside, so that from any
// start the glider spirals onto the circle: from far away it heads for the
// centre, on the circle it flies along it.
double orbitCourse(double dx, double dy, double radius, double side) {
    const double fromCentre = std::atan2(dx, dy) * kDegrees;
    const double off = (std::hypot(dx, dy) - radius) / radius;
    return fromCentre + side * (90.0 + std::atan(off) * kDegrees);
}

} // namespace

SimplePilot::SimplePilot(const PilotPlan& plan_, double windX_, double windY_, const PilotLimits& limits_,
                         const PilotGains& gains_)
    : plan(plan_), limits(limits_), gains(gains_), windX(windX_), windY(windY_) {
    limits.reactionSteps = std::max(0, std::min(limits.reactionSteps, kMemory - 1));
}

double SimplePilot::bankTowards(double course, const PilotView& view, int preferredSide) {
    double error = headingDifference(course, view.track);
    // A large reversal goes the preferred way round, and keeps going until
    // the new course is nearly reached.
    if (preferredSide != 0) {
        if (turning == 0 && std::fabs(error) > 120.0) {
            turning = preferredSide;
        }
        if (turning != 0) {
            if (std::fabs(error) < 60.0) {
                turning = 0;
            } else if (error * turning < 0.0) {
                error += 360.0 * turning;
            }
        }
    }
    return clamp(gains.bankPerHeadingError * error, -gains.maxBank, gains.maxBank);
}

double SimplePilot::circleBank(double centreX, double centreY, double bank, const PilotView& view) {
    const double side = bank > 0.0 ? 1.0 : -1.0; // right-hand circles go clockwise
    const double speed = std::max(view.groundSpeed, 5.0);
    const double radius = speed * speed / (kGravity * std::tan(std::fabs(bank) / kDegrees));
    turning = 0;
    // Where the bank now takes the glider while a new one is being rolled
    // to: the circle is steered from there, or each correction comes a
    // quarter turn late and the circle swings round its point.
    const double lead = gains.rollLeadSeconds;
    const double turnRate = kGravity * std::tan(view.bank / kDegrees) / speed * kDegrees; // (unit: degrees/s)
    const double track = view.track + turnRate * lead;
    const double mid = (view.track + 0.5 * turnRate * lead) / kDegrees;
    const double dx = view.position.x - centreX + speed * lead * std::sin(mid);
    const double dy = view.position.y - centreY + speed * lead * std::cos(mid);
    const double vx = speed * std::sin(track / kDegrees);
    const double vy = speed * std::cos(track / kDegrees);
    // The course wanted there, and how it turns along the way the glider
    // goes (half a moment either side): that turn is the one the circle
    // needs, and the course missed is turned towards over a few seconds.
    const double moment = 0.25; // (unit: s) short: the course bends within a turn
    const double here = orbitCourse(dx, dy, radius, side);
    const double before = orbitCourse(dx - 0.5 * vx * moment, dy - 0.5 * vy * moment, radius, side);
    const double after = orbitCourse(dx + 0.5 * vx * moment, dy + 0.5 * vy * moment, radius, side);
    double error = headingDifference(here, track);
    if (error * side < -150.0) {
        error += 360.0 * side; // nearly the wrong way: round the way the circle goes
    }
    const double rate = headingDifference(after, before) / moment + gains.courseRate * error; // (unit: degrees/s)
    const double wanted = std::atan(speed * rate / kDegrees / kGravity) * kDegrees;
    const double steepest = std::min(std::fabs(bank) + 10.0, kMaxPilotBank);
    return side > 0.0 ? clamp(wanted, -gains.maxBank, steepest) : clamp(wanted, -steepest, gains.maxBank);
}

double SimplePilot::bankFor(const PilotView& view) {
    switch (plan.mode) {
    case PilotPlan::Mode::None:
    case PilotPlan::Mode::Task: // flown by the task pilot, never by this one
        return 0.0;
    case PilotPlan::Mode::Heading:
        return bankTowards(plan.heading, view, 0);
    case PilotPlan::Mode::Circle:
        return circleBank(plan.centreX, plan.centreY, plan.bank, view);
    case PilotPlan::Mode::Soar:
        return soarBank(view);
    case PilotPlan::Mode::Line: {
        const double fromX = towardsSecond ? plan.x1 : plan.x2;
        const double fromY = towardsSecond ? plan.y1 : plan.y2;
        const double toX = towardsSecond ? plan.x2 : plan.x1;
        const double toY = towardsSecond ? plan.y2 : plan.y1;
        const double length = std::hypot(toX - fromX, toY - fromY);
        const double ux = (toX - fromX) / length;
        const double uy = (toY - fromY) / length;
        const double along = (view.position.x - fromX) * ux + (view.position.y - fromY) * uy;
        if (along > length) {
            towardsSecond = !towardsSecond; // at the end: back the other way
            return bankFor(view);
        }
        // Cross-track error, positive to the right of the line: steer back
        // over about 50 m.
        const double right = (view.position.x - fromX) * uy - (view.position.y - fromY) * ux;
        const double course = bearing(fromX, fromY, toX, toY) - std::atan(right / 50.0) * kDegrees;
        // End turns go into the wind, away from the slope it blows onto: to
        // the side the wind comes from, seen along the way the glider goes.
        int side = 0;
        const double crossWind = view.velocity.x * windY - view.velocity.y * windX; // > 0: it comes from the right
        if (crossWind > 0.0) {
            side = 1;
        } else if (crossWind < 0.0) {
            side = -1;
        }
        return bankTowards(course, view, side);
    }
    }
    return 0.0;
}

PilotCommand SimplePilot::decide(const PilotView& now) {
    seen[static_cast<std::size_t>(looks % kMemory)] = now;
    ++looks;
    if (plan.mode == PilotPlan::Mode::None || plan.mode == PilotPlan::Mode::Task || looks <= limits.reactionSteps) {
        return PilotCommand::None;
    }
    // What the pilot acts on now is what it saw a reaction time ago, and the
    // roll it felt over the half second before that.
    const long long at = looks - 1 - limits.reactionSteps;
    const PilotView& view = seen[static_cast<std::size_t>(at % kMemory)];
    const long long before = std::max(0LL, at - 50);
    const PilotView& earlier = seen[static_cast<std::size_t>(before % kMemory)];
    const double span = static_cast<double>(at - before) * kSecondsPerStep; // (unit: s)
    const double rollRate = at > before ? (view.bank - earlier.bank) / span : 0.0;

    wantedBank = bankFor(view);
    const double limit = static_cast<double>(now.barLimit);
    // Learned only circling, where the bank asked for stays put, and only
    // near it: a roll into a turn is not something to hold on to. Line runs
    // and headings ask for a new bank every few seconds.
    const double bankError = wantedBank - view.bank;
    const double lookInterval = kSecondsPerStep; // (unit: s) the pilot looks every step
    const bool circling = plan.mode == PilotPlan::Mode::Circle || (plan.mode == PilotPlan::Mode::Soar && thermalling);
    if (circling && std::fabs(bankError) < 10.0) {
        heldPresses = clamp(heldPresses + gains.pressesPerBankErrorSecond * bankError * lookInterval, -limit, limit);
    } else if (gains.heldForgetSeconds > 0.0) {
        // Far from the bank asked for, what was learned no longer fits:
        // a wing that overbanks must not be held in by an old habit.
        heldPresses -= heldPresses * std::min(lookInterval / gains.heldForgetSeconds, 1.0);
    }
    if (looks - 1 - lastPress < limits.pressSteps) {
        return PilotCommand::None;
    }
    const double wanted = heldPresses + gains.pressesPerBankError * bankError - gains.pressesPerRollRate * rollRate;
    const int target = static_cast<int>(std::lround(clamp(wanted, -limit, limit)));
    // The bar as it is now, which the hand feels without delay; the bank
    // comes first, the speed when the bank is where it should be.
    PilotCommand command = PilotCommand::None;
    if (target > now.barPresses) {
        command = PilotCommand::Right;
    } else if (target < now.barPresses) {
        command = PilotCommand::Left;
    } else if (circling && gains.circleForePresses != 0) {
        const int fore = std::max(-now.foreLimit, std::min(now.foreLimit, -gains.circleForePresses));
        if (fore > now.forePresses) {
            command = PilotCommand::Fore;
        } else if (fore < now.forePresses) {
            command = PilotCommand::Aft;
        }
    }
    if (command != PilotCommand::None) {
        lastPress = looks - 1;
    }
    return command;
}
