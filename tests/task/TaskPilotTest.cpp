#include <gtest/gtest.h>

#include <cmath>

#include "autopilot/TaskPilot.h"
#include "physics/SharedConstants.h"

namespace {


// A glider reduced to what the pilot's loop needs (as in the simple pilot's
// tests): ten presses of bar each way, each rolling it at 1.5°/s, its bank
// turning it as a coordinated turn at 11 m/s, sinking 1 m/s, and a thermal
// of 150 m radius that lifts it 2.5 m/s.
struct ToyGlider {
    double x = 0.0;
    double y = -1500.0;
    double z = 2000.0;
    double track = 0.0;
    double bank = 0.0;
    double climb = -1.0;
    int shift = 0;
    double thermalX = 1300.0;
    double thermalY = 3530.0;

    void step(PilotCommand command) {
        shift += command == PilotCommand::Right ? 1 : command == PilotCommand::Left ? -1 : 0;
        const double dt = kSecondsPerStep;
        bank = std::fmax(-60.0, std::fmin(60.0, bank + 1.5 * shift * dt));
        track += std::tan(bank * kPi / 180.0) * 9.80665 / 11.0 * 180.0 / kPi * dt;
        track = std::fmod(track + 360.0, 360.0);
        x += 11.0 * std::sin(track * kPi / 180.0) * dt;
        y += 11.0 * std::cos(track * kPi / 180.0) * dt;
        climb = std::hypot(x - thermalX, y - thermalY) < 150.0 ? 1.5 : -1.0;
        z += climb * dt;
    }
    PilotView view() const {
        PilotView v;
        v.position = Vector3D(x, y, z);
        v.velocity = Vector3D(11.0 * std::sin(track * kPi / 180.0), 11.0 * std::cos(track * kPi / 180.0), climb);
        v.track = track;
        v.bank = bank;
        v.groundSpeed = 11.0;
        v.barPresses = shift;
        v.barLimit = 10;
        return v;
    }
};

task::TaskPoint at(double x, double y, double radius, bool line = false) {
    task::TaskPoint p;
    p.zone.x = x;
    p.zone.y = y;
    p.zone.radius = radius;
    p.zone.shape = line ? task::ObservationZone::Shape::Line : task::ObservationZone::Shape::Sector;
    return p;
}

// A triangle from a start line, with a thermal on its second leg: the pilot
// crosses the line, takes each cylinder in order, climbs in the thermal up
// to its ceiling and finishes where it started.
TEST(TaskPilot, FliesThroughEveryZoneInOrderAndClimbsInLiftOnTheWay) {
    task::Task t;
    t.points = {at(0, 0, 500, true), at(0, 3000, 400), at(2500, 4500, 400), at(0, 0, 400)};
    task::orientZones(t.points, {1, 1, 1, 1}, {0, 0, 0, 0});
    task::TaskProgress progress(t, 10.0);
    TaskThermalling thermalling;
    thermalling.ceiling = 2200.0;
    TaskPilot pilot(t, progress, 0.0, 0.0, PilotLimits(), PilotGains(), thermalling);
    ToyGlider glider;
    double highest = 0.0;
    int circlingSteps = 0;
    for (int step = 0; step < 300000 && !progress.status().finished; ++step) {
        progress.update(step * 0.01, glider.x, glider.y, glider.z);
        glider.step(pilot.decide(glider.view()));
        circlingSteps += pilot.circling() ? 1 : 0;
        highest = std::fmax(highest, glider.z);
    }
    ASSERT_TRUE(progress.status().finished);
    EXPECT_LT(progress.reachedAt(0), progress.reachedAt(1));
    EXPECT_LT(progress.reachedAt(1), progress.reachedAt(2));
    EXPECT_LT(progress.reachedAt(2), progress.status().finishTime);
    EXPECT_GT(circlingSteps, 3000);
    EXPECT_GT(highest, 2190.0); // climbed to its ceiling, above where it set off
    EXPECT_EQ(progress.status().distanceFlown, progress.status().taskDistance);
}

} // namespace
