#include <gtest/gtest.h>

#include <string>

#include "autopilot/TaskPilot.h"
#include "nmea/NmeaFeed.h"
#include "nmea/NmeaLink.h"
#include "platform/AllocationCounter.h"
#include "task/TaskProgress.h"

namespace {

task::TaskPoint cylinder(double x, double y) {
    task::TaskPoint p;
    p.zone.x = x;
    p.zone.y = y;
    return p;
}

// What runs every step of a task flight with a live NMEA stream: following
// the task, the task pilot's decision, and the stream's bursts.
TEST(TaskNoAllocation, StepsOfATaskFlightWithNmeaAllocateNothing) {
    task::Task t;
    t.points = {cylinder(0, 0), cylinder(0, 2000), cylinder(1500, 2500), cylinder(0, 0)};
    task::orientZones(t.points, {2, 1, 1, 3}, {0, 0, 0, 0});
    task::TaskProgress progress(t, 10.0);
    TaskPilot pilot(t, progress, 1.0, 0.0);
    std::string error;
    auto link = nmea::openNmeaLink("udp:127.0.0.1:9", error); // the discard port: nobody need listen
    ASSERT_NE(link, nullptr) << error;
    nmea::NmeaFeed feed(*link, 5.0, 0.0);
    const long before = allocationCount();
    for (int step = 0; step < 30000; ++step) {
        const double time = step * 0.01;
        PilotView view;
        view.position = Vector3D(0.0, time * 11.0 - 100.0, 1000.0);
        view.velocity = Vector3D(0.0, 11.0, step > 20000 ? 2.0 : -1.0);
        view.groundSpeed = 11.0;
        progress.update(time, view.position.x, view.position.y, view.position.z);
        (void)pilot.decide(view);
        if (feed.tick(time)) {
            feed.send(nmea::NmeaFix());
        }
    }
    EXPECT_EQ(allocationCount() - before, 0);
    EXPECT_GE(progress.status().nextPoint, 2); // the loop did follow the task
    EXPECT_TRUE(pilot.circling());
}

} // namespace
