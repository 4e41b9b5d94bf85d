#pragma once

#include <string>

#include "task/FreeFlightScore.h"
#include "task/TaskProgress.h"

// The end of a flight as key=value fields for a summary line.
namespace task {

// "task=completed task_km=42.137 task_kmh=28.4": the distance made good
// along the optimised task, and the average speed from the start over it
// (to the finish, or to the flight's end when the task was not completed;
// 0 before any start).
std::string taskResultFields(const TaskStatus& status);

// "xc_type=fai_triangle xc_km=45.06 xc_points=63.08".
std::string xcScoreFields(const XcScore& score);

} // namespace task
