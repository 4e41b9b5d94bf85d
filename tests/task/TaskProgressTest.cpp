#include <gtest/gtest.h>

#include <cmath>

#include "task/TaskProgress.h"
#include "task/TaskSummary.h"

namespace {

using task::ObservationZone;

task::TaskPoint at(double x, double y, double radius, bool line = false) {
    task::TaskPoint p;
    p.zone.x = x;
    p.zone.y = y;
    p.zone.radius = radius;
    p.zone.shape = line ? ObservationZone::Shape::Line : ObservationZone::Shape::Sector;
    p.elevation = 200.0;
    return p;
}

// Start line across the origin, a 400 m cylinder 5 km north, a 400 m finish
// cylinder 10 km north: the optimised task runs straight, 9.6 km.
task::Task straightTask() {
    task::Task t;
    t.points = {at(0, 0, 500, true), at(0, 5000, 400), at(0, 10000, 400)};
    task::orientZones(t.points, {1, 1, 1}, {0, 0, 0});
    return t;
}

// North at 10 m/s from y = -105 m, one position a second: the start line at
// 10.5 s, the turnpoint's cylinder at 470.5 s, the finish at 970.5 s, all
// between two positions.
TEST(TaskProgress, PointsCountWhereTheTrackCrossesIntoThemBetweenSteps) {
    const task::Task t = straightTask();
    task::TaskProgress progress(t, 10.0);
    EXPECT_DOUBLE_EQ(progress.status().taskDistance, 9600.0);
    for (int second = 0; second <= 1000; ++second) {
        const double y = -105.0 + 10.0 * second;
        progress.update(second, 0.0, y, 1200.0);
        const task::TaskStatus& s = progress.status();
        if (second == 5) {
            EXPECT_FALSE(s.started);
            EXPECT_EQ(s.distanceFlown, 0.0);
        }
        if (second == 210) {
            // Made good so far: 2 km of the straight task.
            EXPECT_EQ(s.nextPoint, 1);
            EXPECT_NEAR(s.distanceFlown, 1995.0, 1e-6);
            EXPECT_NEAR(s.elapsed, 199.5, 1e-9);
            EXPECT_NEAR(s.nextDistance, 2605.0, 1e-6); // to the cylinder's edge
            EXPECT_NEAR(std::remainder(s.nextBearing, 360.0), 0.0, 1e-6);
            EXPECT_NEAR(s.requiredGlide, 2605.0 / 1000.0, 1e-9);
            EXPECT_NEAR(s.arrivalHeight, 1000.0 - 260.5, 1e-9);
        }
        if (second == 600) {
            EXPECT_EQ(s.nextPoint, 2);
            EXPECT_NEAR(s.distanceFlown, 5895.0, 1e-6);
        }
    }
    const task::TaskStatus& s = progress.status();
    EXPECT_TRUE(s.finished);
    EXPECT_NEAR(progress.reachedAt(0), 10.5, 1e-9);
    EXPECT_NEAR(progress.reachedAt(1), 470.5, 1e-9);
    EXPECT_NEAR(s.finishTime, 970.5, 1e-9);
    EXPECT_NEAR(s.elapsed, 960.0, 1e-9);
    EXPECT_EQ(s.distanceFlown, 9600.0);
    EXPECT_EQ(task::taskResultFields(s), "task=completed task_km=9.600 task_kmh=36.0");
}

TEST(TaskProgress, AClosedStartGateDoesNotStartTheTask) {
    task::Task t = straightTask();
    t.startOpens = 12 * 3600 + 60; // a minute after the flight's clock starts
    task::TaskProgress progress(t, 10.0, 12 * 3600);
    for (int second = 0; second <= 1000; ++second) {
        progress.update(second, 0.0, -105.0 + 10.0 * second, 1200.0);
    }
    EXPECT_FALSE(progress.status().started);
    EXPECT_EQ(progress.status().nextPoint, 0);
    EXPECT_EQ(progress.reachedAt(1), -1.0);
    EXPECT_EQ(progress.status().distanceFlown, 0.0);
    EXPECT_EQ(task::taskResultFields(progress.status()), "task=incomplete task_km=0.000 task_kmh=0.0");
}

// A start cylinder is left to start; leaving it again before the first
// turnpoint starts again, later.
TEST(TaskProgress, LeavingTheStartCylinderAgainRestartsTheClock) {
    task::Task t;
    t.points = {at(0, 0, 1000), at(0, 5000, 400), at(0, 10000, 400)};
    task::orientZones(t.points, {2, 1, 1}, {0, 0, 0});
    task::TaskProgress progress(t, 10.0);
    const double path[][2] = {{0, 0}, {0, 995}, {0, 1005}, {0, 900}, {0, 995}, {0, 1015}, {0, 4700}};
    for (int i = 0; i < 7; ++i) {
        progress.update(i * 10.0, path[i][0], path[i][1], 1500.0);
        if (i == 0) {
            EXPECT_NEAR(progress.status().nextDistance, 1000.0, 1e-6); // out to the cylinder's edge
        }
    }
    EXPECT_TRUE(progress.status().started);
    EXPECT_NEAR(progress.status().startTime, 40.0 + 10.0 * 5.0 / 20.0, 1e-9);
    EXPECT_NEAR(progress.reachedAt(1), 50.0 + 10.0 * (4600.0 - 1015.0) / (4700.0 - 1015.0), 1e-9);
}

// A reset moves the glider: no path joins the two places, so nothing is
// crossed on the way.
TEST(TaskProgress, ABreakInTheTrackCrossesNothing) {
    const task::Task t = straightTask();
    task::TaskProgress progress(t, 10.0);
    progress.update(0.0, 0.0, -100.0, 1000.0);
    progress.breakTrack();
    progress.update(1.0, 0.0, 100.0, 1000.0);
    EXPECT_FALSE(progress.status().started);
}

} // namespace
