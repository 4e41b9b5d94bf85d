#include "task/TaskSummary.h"

#include <cstdio>

namespace task {

std::string taskResultFields(const TaskStatus& s) {
    const double kmh = s.started && s.elapsed > 0.0 ? s.distanceFlown / s.elapsed * 3.6 : 0.0;
    char text[128];
    std::snprintf(text, sizeof text, "task=%s task_km=%.3f task_kmh=%.1f", s.finished ? "completed" : "incomplete",
                  s.distanceFlown / 1000.0, kmh);
    return text;
}

std::string xcScoreFields(const XcScore& score) {
    char text[128];
    std::snprintf(text, sizeof text, "xc_type=%s xc_km=%.2f xc_points=%.2f", xcTypeName(score.type),
                  score.distance / 1000.0, score.points);
    return text;
}

} // namespace task
