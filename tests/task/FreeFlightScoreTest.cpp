#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "task/FreeFlightScore.h"
#include "task/TaskSummary.h"

namespace {

// Fixes every `step` metres along straight lines through `corners`.
std::vector<task::XcFix> along(const std::vector<task::XcFix>& corners, double step) {
    std::vector<task::XcFix> track;
    for (std::size_t i = 0; i + 1 < corners.size(); ++i) {
        const double dx = corners[i + 1].x - corners[i].x;
        const double dy = corners[i + 1].y - corners[i].y;
        const double length = std::hypot(dx, dy);
        for (double s = 0.0; s < length; s += step) {
            track.push_back({corners[i].x + dx * s / length, corners[i].y + dy * s / length});
        }
    }
    track.push_back(corners.back());
    return track;
}

struct ScoreCase {
    const char* what;
    std::vector<task::XcFix> corners;
    task::XcType type;
    double distance; // (unit: m)
    double points;
};

// Shapes whose best score is plain: the scorer must find it on a track of
// thousands of fixes.
TEST(FreeFlightScore, FindsTheBestShapeAndItsMultiplier) {
    const double side = 10000.0;
    const double h = side * std::sqrt(3.0) / 2.0;
    const ScoreCase cases[] = {
        {"a straight glide", {{0, 0}, {12000, 0}}, task::XcType::FreeDistance, 12000.0, 12.0},
        {"a dogleg: three legs through two turnpoints", {{0, 0}, {8000, 6000}, {16000, 0}, {16000, -5000}},
         task::XcType::FreeDistance, 25000.0, 25.0},
        {"an equilateral triangle closed at its corner", {{0, 0}, {side, 0}, {side / 2, h}, {0, 0}},
         task::XcType::ClosedFaiTriangle, 30000.0, 48.0},
        {"a flat triangle ending 3 km short of its start",
         {{0, 0}, {20000, 0}, {20000, 4000}, {0, 3000}}, task::XcType::FlatTriangle,
         20000.0 + 4000.0 + std::hypot(20000.0, 4000.0), 0.0},
    };
    for (const ScoreCase& c : cases) {
        SCOPED_TRACE(c.what);
        const task::XcScore s = task::scoreFreeFlight(along(c.corners, 10.0));
        EXPECT_EQ(s.type, c.type) << task::xcTypeName(s.type);
        EXPECT_NEAR(s.distance, c.distance, 10.0); // legs to whole 10 m
        const double points = c.points > 0.0 ? c.points : (c.distance - 3000.0) / 1000.0 * 1.2;
        EXPECT_NEAR(s.points, points, 0.021);
        if (s.type == task::XcType::ClosedFaiTriangle) {
            EXPECT_EQ(task::xcScoreFields(s), "xc_type=closed_fai_triangle xc_km=30.00 xc_points=48.00");
        }
    }
    EXPECT_EQ(task::scoreFreeFlight(std::vector<task::XcFix>{{0, 0}}).type, task::XcType::None);
}

} // namespace
