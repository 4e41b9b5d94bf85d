#include <gtest/gtest.h>

#include "task/ObservationZone.h"

namespace {

using task::ObservationZone;

ObservationZone cylinder() {
    ObservationZone z;
    z.radius = 400.0;
    return z;
}

// A 90-degree sector of 1 km opening east, as an FAI turnpoint sector.
ObservationZone faiSector() {
    ObservationZone z;
    z.radius = 1000.0;
    z.halfAngle = 45.0;
    z.axis = 90.0;
    return z;
}

ObservationZone keyhole() {
    ObservationZone z = faiSector();
    z.innerRadius = 200.0;
    return z;
}

// A line 1 km long across the y axis, crossed northwards.
ObservationZone line() {
    ObservationZone z;
    z.shape = ObservationZone::Shape::Line;
    z.radius = 500.0;
    z.axis = 0.0;
    return z;
}

struct ZoneCase {
    const char* what;
    ObservationZone zone;
    double x0, y0, x1, y1;
    bool endInside;
    double entry; // -1: never
};

TEST(ObservationZone, ContainsAndEntryByTable) {
    const ZoneCase cases[] = {
        {"cylinder, inside all the step", cylinder(), 0, 0, 100, 0, true, 0.0},
        {"cylinder, ending on the edge", cylinder(), 600, 0, 400, 0, true, 1.0},
        {"cylinder, crossing into it between two steps", cylinder(), 1000, 0, 0, 0, true, 0.6},
        {"cylinder, a chord clipped by one step", cylinder(), -1000, 300, 1000, 300, false, (1000.0 - 264.5751311064591) / 2000.0},
        {"cylinder, passing outside", cylinder(), -1000, 500, 1000, 500, false, -1.0},
        {"sector, inside", faiSector(), 400, 100, 500, 0, true, 0.0},
        {"sector, in through its side edge", faiSector(), 500, 600, 500, 0, true, 100.0 / 600.0},
        {"sector, ending on the arc", faiSector(), 1200, 0, 1000, 0, true, 1.0},
        {"sector, in through its apex from behind", faiSector(), -500, 0, 500, 0, true, 0.5},
        {"sector, beside it", faiSector(), -500, 300, -500, -300, false, -1.0},
        {"keyhole, its inner cylinder behind the sector", keyhole(), -300, 0, -150, 0, true, 100.0 / 150.0},
        {"line, crossed along its axis", line(), 100, -50, 100, 50, false, 0.5},
        {"line, crossed the wrong way", line(), 100, 50, 100, -50, false, -1.0},
        {"line, passed beyond its end", line(), 600, -50, 600, 50, false, -1.0},
    };
    for (const ZoneCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(task::contains(c.zone, c.x1, c.y1), c.endInside);
        EXPECT_NEAR(task::entryFraction(c.zone, c.x0, c.y0, c.x1, c.y1), c.entry, 1e-9);
    }
}

TEST(ObservationZone, LeavingACylinderIsFoundWhereTheStepCrossesItsEdge) {
    EXPECT_NEAR(task::exitFraction(cylinder(), 0, 0, 800, 0), 0.5, 1e-12);
    EXPECT_EQ(task::exitFraction(cylinder(), 0, 0, 100, 0), -1.0);
    EXPECT_EQ(task::exitFraction(cylinder(), 500, 0, 600, 0), -1.0); // never inside
}

TEST(ObservationZone, ShortestPathTouchesACylinderWhereItReflects) {
    // From (-1000, 1000) to (1000, 1000) round a cylinder at the origin:
    // the path touches it at its top.
    double x = 0.0;
    double y = 0.0;
    task::touchPoint(cylinder(), -1000, 1000, 1000, 1000, x, y);
    EXPECT_NEAR(x, 0.0, 1e-3);
    EXPECT_NEAR(y, 400.0, 1e-3);
    // A straight path through the zone is not bent: it reaches the zone
    // where it first meets the circle.
    task::touchPoint(cylinder(), -1000, 300, 1000, 300, x, y);
    EXPECT_NEAR(x, -264.5751311064591, 1e-9);
    EXPECT_NEAR(y, 300.0, 1e-9);
    // A line is touched at its end nearest the way on.
    task::touchPoint(line(), 2000, -1000, 2000, 1000, x, y);
    EXPECT_NEAR(x, 500.0, 1e-3);
    EXPECT_NEAR(y, 0.0, 1e-3);
}

} // namespace
