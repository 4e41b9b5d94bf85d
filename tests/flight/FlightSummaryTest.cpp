#include <gtest/gtest.h>

#include "tests/support/FloatingPointTraps.h"
#include "flight/FlightSummary.h"

using namespace flight;

TEST(FlightSummary, ReportsHeightLostDistanceAndGlideRatioBetweenStartAndFinish) {
    FloatingPointTraps traps;
    FlightSummary summary;
    summary.steps = 700;
    summary.landedStep = 650;
    summary.start = Vector3D(0.0, 150.0, 134.5);
    summary.finish = Vector3D(3.0, 154.0, 34.5);
    EXPECT_EQ(summaryLine(summary),
              "steps=700 landed_step=650 height_lost=100 distance=5 glide_ratio=0.050000000000000003");
}

TEST(FlightSummary, AGliderThatLostNoHeightHasNoGlideRatio) {
    FloatingPointTraps traps;
    FlightSummary level;
    level.start = Vector3D(0.0, 150.0, 134.5);
    level.finish = Vector3D(0.0, 120.0, 134.5);
    EXPECT_EQ(summaryLine(level), "steps=0 landed_step=-1 height_lost=0 distance=30 glide_ratio=nan");

    FlightSummary climbing = level;
    climbing.finish.z = 140.5;
    EXPECT_EQ(summaryLine(climbing), "steps=0 landed_step=-1 height_lost=-6 distance=30 glide_ratio=nan");
}
