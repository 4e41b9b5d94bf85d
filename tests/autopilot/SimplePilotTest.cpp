#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "autopilot/SimplePilot.h"
#include "tests/support/FloatingPointTraps.h"
#include "physics/SharedConstants.h"

namespace {


PilotPlan planOf(const char* text) {
    PilotPlan plan;
    EXPECT_EQ(readPilotPlan(text, plan), "") << text;
    return plan;
}

// A level glider at `position`, flying along `track` degrees at 11 m/s.
PilotView flying(double x, double y, double track, double bank = 0.0) {
    PilotView view;
    view.position = Vector3D(x, y, 300.0);
    view.track = track;
    view.bank = bank;
    view.groundSpeed = 11.0;
    view.velocity = Vector3D(11.0 * std::sin(track * kPi / 180.0), 11.0 * std::cos(track * kPi / 180.0), -1.0);
    return view;
}

// A glider reduced to what the pilot's loop needs: a control frame of ten
// presses each way, each net press towards a side rolling it that way at
// 1.5°/s (about the realistic glider's slow roll), and its bank turning it
// as a coordinated turn.
// It also checks that the pilot keeps to a person's limits.
struct ToyGlider {
    double x = 0.0;
    double y = 0.0;
    double track = 0.0;
    double bank = 0.0;
    int shift = 0;
    int fore = 0;
    // (unit: degrees per second per degree) a steep wing's wish to roll on
    // further, which a held bank must be shifted against
    double overbanking = 0.0;
    int steps = 0;
    int lastPress = -1000;
    int presses = 0;

    void step(PilotCommand command, const PilotLimits& limits) {
        if (command != PilotCommand::None) {
            EXPECT_GE(steps - lastPress, limits.pressSteps) << "pressed again too soon at step " << steps;
            EXPECT_GE(steps, limits.reactionSteps) << "acted before it could have seen anything";
            EXPECT_NE(command, PilotCommand::Reset);
            lastPress = steps;
            ++presses;
        }
        shift += command == PilotCommand::Right ? 1 : command == PilotCommand::Left ? -1 : 0;
        fore += command == PilotCommand::Fore ? 1 : command == PilotCommand::Aft ? -1 : 0;
        EXPECT_LE(std::abs(shift), 10) << "pushed past the frame at step " << steps;
        EXPECT_LE(std::abs(fore), 10) << "pushed past the frame at step " << steps;
        const double dt = 0.01;
        bank = std::fmax(-60.0, std::fmin(60.0, bank + (1.5 * shift + overbanking * bank) * dt));
        track += std::tan(bank * kPi / 180.0) * 9.80665 / 11.0 * 180.0 / kPi * dt;
        track = std::fmod(track + 360.0, 360.0);
        x += 11.0 * std::sin(track * kPi / 180.0) * dt;
        y += 11.0 * std::cos(track * kPi / 180.0) * dt;
        ++steps;
    }
    PilotView view() const {
        PilotView v = flying(x, y, track, bank);
        v.barPresses = shift;
        v.barLimit = 10;
        v.forePresses = fore;
        v.foreLimit = 10;
        return v;
    }
};

void fly(SimplePilot& pilot, ToyGlider& glider, double seconds) {
    for (int i = 0; i < static_cast<int>(seconds * 100.0); ++i) {
        glider.step(pilot.decide(glider.view()), PilotLimits());
    }
}

} // namespace

TEST(SimplePilot, TurnsTheShortWayTowardsItsHeading) {
    SimplePilot right(planOf("heading:90"), 0.0, 0.0);
    SimplePilot left(planOf("heading:270.5"), 0.0, 0.0);
    PilotCommand first = PilotCommand::None;
    PilotCommand second = PilotCommand::None;
    for (int i = 0; i < 100 && first == PilotCommand::None; ++i) {
        first = right.decide(flying(0.0, 0.0, 0.0));
        second = left.decide(flying(0.0, 0.0, 0.0));
    }
    EXPECT_EQ(first, PilotCommand::Right);
    EXPECT_EQ(second, PilotCommand::Left);
    EXPECT_GT(right.targetBank(), 0.0);
    EXPECT_LT(left.targetBank(), 0.0);
}

TEST(SimplePilot, HoldsAHeadingWithinAPersonsLimits) {
    FloatingPointTraps traps;
    SimplePilot pilot(planOf("heading:120"), 0.0, 0.0);
    ToyGlider glider;
    fly(pilot, glider, 60.0);
    EXPECT_NEAR(glider.track, 120.0, 3.0);
    EXPECT_NEAR(glider.bank, 0.0, 3.0);
    EXPECT_LT(glider.presses, 120) << "a calm hand, not a buzz of corrections";
}

TEST(SimplePilot, CirclesThePointAtItsBankFromAnyStart) {
    FloatingPointTraps traps;
    struct Start {
        double x, y, track; // (unit: m, m, degrees)
        const char* plan;
    };
    // A turn at 35 degrees and 11 m/s has a radius of about 17.6 m.
    for (const Start& s : {Start{0, 0, 0, "circle:0,50,-35"}, Start{0, 0, 0, "circle:0,50,35"},
                           Start{250, 300, 90, "circle:0,50,35"}, Start{-200, -100, 200, "circle:0,50,-35"},
                           Start{5, 45, 270, "circle:0,50,35"}}) {
        SimplePilot pilot(planOf(s.plan), 0.0, 0.0);
        ToyGlider glider;
        glider.x = s.x;
        glider.y = s.y;
        glider.track = s.track;
        fly(pilot, glider, 60.0);
        const double side = pilot.targetBank() > 0.0 ? 1.0 : -1.0;
        double nearest = 1e9, farthest = 0.0, lowestBank = 90.0, steepest = 0.0;
        for (int second = 0; second < 30; ++second) {
            fly(pilot, glider, 1.0);
            const double d = std::hypot(glider.x, glider.y - 50.0);
            nearest = std::fmin(nearest, d);
            farthest = std::fmax(farthest, d);
            lowestBank = std::fmin(lowestBank, glider.bank * side);
            steepest = std::fmax(steepest, glider.bank * side);
        }
        const std::string from = std::string(s.plan) + " from " + std::to_string(s.x) + "," + std::to_string(s.y);
        EXPECT_GT(nearest, 13.0) << from;
        EXPECT_LT(farthest, 22.0) << from;
        EXPECT_GT(lowestBank, 28.0) << from;
        EXPECT_LT(steepest, 42.0) << from;
    }
}

TEST(SimplePilot, RunsALineBackAndForthTurningIntoTheWindAtItsEnds) {
    FloatingPointTraps traps;
    // The run lies east-west; the wind blows north, onto a slope north of it.
    SimplePilot pilot(planOf("line:-200,0,200,0"), 0.0, 8.0);
    ToyGlider glider;
    glider.x = -150.0;
    glider.track = 90.0;
    double northmost = 0.0;
    int reversals = 0;
    bool eastwards = true;
    for (int second = 0; second < 240; ++second) {
        fly(pilot, glider, 1.0);
        northmost = std::fmax(northmost, glider.y);
        const bool nowEast = std::sin(glider.track * kPi / 180.0) > 0.0;
        reversals += nowEast != eastwards ? 1 : 0;
        eastwards = nowEast;
        EXPECT_LT(std::fabs(glider.x), 260.0);
    }
    EXPECT_GE(reversals, 4);
    EXPECT_LT(northmost, 15.0) << "never turning towards the slope downwind of the run";
}

TEST(SimplePilot, CirclingAnOverbankingWingLearnsTheHighSideAndPushesOut) {
    FloatingPointTraps traps;
    // Without learning, the wing's wish to roll on is met only by the
    // proportional hand: the bank settles well past the one asked for.
    PilotGains gains;
    gains.pressesPerBankError = 0.4;
    gains.pressesPerRollRate = 0.3;
    PilotGains learning = gains;
    learning.pressesPerBankErrorSecond = 0.3;
    learning.circleForePresses = 4;

    const auto meanBankCircling = [](const PilotGains& g, int& foreAtEnd) {
        SimplePilot pilot(planOf("circle:0,50,35"), 0.0, 0.0, PilotLimits(), g);
        ToyGlider glider;
        glider.overbanking = 0.1;
        fly(pilot, glider, 40.0);
        double sum = 0.0;
        for (int second = 0; second < 20; ++second) {
            fly(pilot, glider, 1.0);
            sum += glider.bank;
        }
        foreAtEnd = glider.fore;
        return sum / 20.0;
    };
    int foreWithout = 0;
    int foreWith = 0;
    const double without = meanBankCircling(gains, foreWithout);
    const double with = meanBankCircling(learning, foreWith);
    EXPECT_GT(without, 38.0);
    EXPECT_NEAR(with, 35.0, 2.0);
    EXPECT_EQ(foreWithout, 0) << "the bar's fore and aft left alone";
    EXPECT_EQ(foreWith, -4) << "pushed out by the presses asked for, and no further";
}

TEST(SimplePilot, LearnsNoShiftOnLineRuns) {
    FloatingPointTraps traps;
    // The same overbanking wing flown on a line: the bank asked for changes
    // every few seconds, so a learned shift would only lag behind it.
    PilotGains gains;
    gains.pressesPerBankErrorSecond = 0.3;
    gains.circleForePresses = 4;
    SimplePilot learning(planOf("line:-200,0,200,0"), 0.0, 8.0, PilotLimits(), gains);
    SimplePilot plain(planOf("line:-200,0,200,0"), 0.0, 8.0);
    ToyGlider a;
    ToyGlider b;
    a.x = b.x = -150.0;
    a.track = b.track = 90.0;
    fly(learning, a, 120.0);
    fly(plain, b, 120.0);
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.fore, 0);
}

TEST(SimplePilot, SoaringFliesOnThroughSinkThenCirclesWhereTheLiftIs) {
    FloatingPointTraps traps;
    // A thermal 150 m ahead of the start the pilot is not told about: 3 m/s
    // better than still air at its core, fading over 40 m.
    const auto climbAt = [](double x, double y) {
        const double r = std::hypot(x, y - 150.0) / 40.0;
        return -1.0 + 4.0 * std::exp(-r * r);
    };
    SimplePilot pilot(planOf("soar"), 0.0, 0.0);
    ToyGlider glider;
    double widestBank = 0.0, nearest = 1e9;
    for (int i = 0; i < 9000; ++i) {
        PilotView view = glider.view();
        view.velocity.z = climbAt(glider.x, glider.y);
        glider.step(pilot.decide(view), PilotLimits());
        if (i < 800) {
            widestBank = std::fmax(widestBank, std::fabs(glider.bank));
        } else if (i > 6000) {
            nearest = std::fmin(nearest, climbAt(glider.x, glider.y));
        }
    }
    EXPECT_LT(widestBank, 3.0) << "turned before it felt any lift";
    EXPECT_GT(glider.bank, 15.0) << "a right-hand thermalling turn";
    EXPECT_GT(nearest, 1.0) << "every point of its last 30 s of circles in good lift";
}

TEST(SimplePilot, SoaringTakesAZoomForNoLift) {
    FloatingPointTraps traps;
    // Still air, the glider pulled up: it climbs up to 0.7 m/s for 2 s
    // while its airspeed falls from 11 to 8 m/s. A total-energy variometer
    // reads still air's sink through it; a plain one would read lift.
    SimplePilot pilot(planOf("soar"), 0.0, 0.0);
    ToyGlider glider;
    double widestBank = 0.0;
    for (int i = 0; i < 2000; ++i) {
        PilotView view = glider.view();
        const bool zooming = i >= 500 && i < 700;
        const double airspeed = zooming ? 11.0 - 0.015 * (i - 500) : i < 500 ? 11.0 : 8.0;
        view.airspeed = airspeed;
        view.velocity.z = zooming ? -1.0 + airspeed * 1.5 / 9.80665 : -1.0;
        glider.step(pilot.decide(view), PilotLimits());
        widestBank = std::fmax(widestBank, std::fabs(glider.bank));
    }
    EXPECT_LT(widestBank, 3.0) << "turned in a zoom";
}

TEST(SimplePilot, ReadsSoarWithOrWithoutItsBank) {
    struct Case {
        const char* text;
        bool read;
        double bank;
    };
    for (const Case c : {Case{"soar", true, kSoarBank}, Case{"soar:-30", true, -30.0}, Case{"soar:70", false, 0.0},
                         Case{"soar:", false, 0.0}, Case{"soar:1,2", false, 0.0}}) {
        PilotPlan plan;
        EXPECT_EQ(readPilotPlan(c.text, plan).empty(), c.read) << c.text;
        if (c.read) {
            EXPECT_EQ(plan.mode, PilotPlan::Mode::Soar) << c.text;
            EXPECT_EQ(plan.bank, c.bank) << c.text;
        } else {
            EXPECT_EQ(plan.mode, PilotPlan::Mode::None) << c.text;
        }
    }
}
