#pragma once

#include <array>

#include "autopilot/LiftCentre.h"
#include "autopilot/PilotPlan.h"
#include "autopilot/PilotView.h"
#include "glider/PilotCommand.h"


// A person's limits: the pilot acts on what it saw a reaction time ago, and
// presses a key at most once per press interval.
struct PilotLimits {
    int reactionSteps = 30; // 0.3 s at 100 steps per second
    int pressSteps = 15;    // about seven presses a second, a quick hand
};

// How hard the pilot works the controls; each flight model flies best with
// its own.
struct PilotGains {
    double bankPerHeadingError = 1.0; // (unit: degrees of bank per degree of heading error)
    double maxBank = 20.0;            // (unit: degrees) when holding a heading or a line
    double pressesPerBankError = 0.7; // lateral presses per degree of bank error
    double pressesPerRollRate = 0.1;  // lateral presses per degree per second of roll, damping
    // (unit: 1/s) circling: the turn rate added per degree of course off
    // the one that spirals onto the circle, in degrees per second
    double courseRate = 0.2;
    // (unit: s) circling, the circle is steered from where the present bank
    // takes the glider this long ahead: about the time its wing takes to
    // roll to a new bank.
    double rollLeadSeconds = 1.0;
    // Lateral presses per degree of bank error held for a second: the shift
    // a steady bank needs, learned while holding it. 0: none.
    double pressesPerBankErrorSecond = 0.0;
    // (unit: s) while the bank is far from the one asked for, the learned
    // shift fades over about this time. 0: it is kept.
    double heldForgetSeconds = 0.0;
    // Circling, the bar pushed out by this many presses: slower than the
    // glider's trim, where a steep turn sinks least. 0: left where it is.
    int circleForePresses = 0;
};

// A simple pilot for headless flights. It sees the glider (PilotView) and
// answers with one command at a time, so it can only ever fly the glider the
// way a person at the keys could.
class SimplePilot {
public:
    // `wind` (m/s): the pilot's briefing; line runs turn into it at their ends.
    SimplePilot(const PilotPlan& plan, double windX, double windY, const PilotLimits& limits = PilotLimits(),
                const PilotGains& gains = PilotGains());

    // Called before every step with what the glider looks like now; returns
    // the command to give before that step. The pilot feels where the bar
    // is (PilotView's barPresses) and never pushes it past the frame.
    // Allocates nothing.
    PilotCommand decide(const PilotView& now);

    // (unit: degrees) the bank the pilot was last aiming for.
    double targetBank() const { return wantedBank; }

    // Flies `next` from the next decision on, remembering what it saw. The
    // bar shift learned for a steady circle is dropped with the circle.
    void changePlan(const PilotPlan& next) {
        if (next.mode != plan.mode) {
            turning = 0;
            heldPresses = 0.0;
        }
        plan = next;
    }

private:
    double bankFor(const PilotView& seen);
    double bankTowards(double course, const PilotView& seen, int preferredSide);
    // Circling (centreX, centreY) (m) at `bank` (degrees, + right-hand).
    double circleBank(double centreX, double centreY, double bank, const PilotView& seen);
    // Soaring: on the first track until the variometer finds lift, then
    // circling where the lift felt is strongest.
    double soarBank(const PilotView& seen);

    PilotPlan plan;
    PilotLimits limits;
    PilotGains gains;
    double windX;
    double windY;

    // What the pilot saw over the last reaction time, oldest first once full.
    static constexpr int kMemory = 128;
    std::array<PilotView, kMemory> seen{};
    long long looks = 0;
    long long lastPress = -1000000;
    bool towardsSecond = true; // line runs: heading for (x2, y2)
    int turning = 0;           // +1 / -1 while a line run's end turn lasts
    double wantedBank = 0.0;
    double heldPresses = 0.0;  // the learned shift for the bank now asked for

    // Soaring.
    LiftCentre lift{1.0, 20.0}; // still air sinks about 1 m/s; the last 20 s count
    double searchTrack = -1.0;  // (unit: degrees) the track flown while looking; < 0 until set
    double vario = 0.0;         // (unit: m/s) the variometer, averaged over about 2 s
    double felt = 0.0;          // (unit: m/s) the variometer over the last half second
    double lastAirspeed = 0.0;  // (unit: m/s)
    bool thermalling = false;
};
