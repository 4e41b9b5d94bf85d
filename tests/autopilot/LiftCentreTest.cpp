#include <gtest/gtest.h>

#include "autopilot/LiftCentre.h"

// What the soaring pilot makes of its variometer: the place of the lift it
// felt, the core counting most, sink not at all, old lift fading.
TEST(LiftCentre, PointsAtTheStrongestRecentLiftAndIgnoresSink) {
    struct Look {
        double x, y, climb, seconds;
    };
    struct Case {
        const char* what;
        std::vector<Look> looks;
        bool found;
        double x, y; // (unit: m) expected, within 1 m
    };
    const std::vector<Case> cases = {
        {"sink only", {{0, 0, -1.2, 1}, {50, 0, -2.0, 1}}, false, 0, 0},
        {"one place of lift", {{10, 20, 2.0, 1}, {80, 0, -1.5, 1}}, true, 10, 20},
        // 3 m/s above still air counts nine times as much as 1 m/s.
        {"the core outweighs the fringe", {{0, 0, 2.0, 1}, {100, 0, 0.0, 1}}, true, 10, 0},
        // A minute later the old thermal has faded under the new one.
        {"old lift fades", {{-200, 0, 3.0, 1}, {0, 0, -1.0, 60}, {200, 0, 3.0, 1}}, true, 200, 0},
    };
    for (const Case& c : cases) {
        LiftCentre lift(1.0, 10.0);
        for (const Look& l : c.looks) {
            lift.feel(l.x, l.y, l.climb, l.seconds);
        }
        EXPECT_EQ(lift.found(), c.found) << c.what;
        if (c.found) {
            EXPECT_NEAR(lift.x(), c.x, 1.0) << c.what;
            EXPECT_NEAR(lift.y(), c.y, 1.0) << c.what;
        }
    }
}
