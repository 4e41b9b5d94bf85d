#pragma once

#include <functional>
#include <string>
#include <vector>

#include "task/CupFile.h"
#include "task/ObservationZone.h"
#include "terrain/GeoCoordinate.h"

namespace task {

// Latitude and longitude to world metres (x east, y north); false when the
// point cannot be placed. The caller passes the terrain's own projection
// (MapProjection::toLocal over an elevation model, the flight's origin
// otherwise), so waypoints land where the terrain puts those places.
using ToLocal = std::function<bool(const GeoCoordinate& where, double& x, double& y)>;

struct TaskPoint {
    std::string name;
    GeoCoordinate position;
    double elevation = 0.0; // (unit: metres above sea level)
    ObservationZone zone;   // centred on the point in world metres
};

// A task as flown: the start, the turnpoints in order, the finish. Takeoff
// and landing are kept for the flight log's declaration.
struct Task {
    std::string name;
    TaskPoint takeoff;
    std::vector<TaskPoint> points; // start, turnpoints, finish: at least two
    TaskPoint landing;
    double startOpens = -1.0; // (unit: seconds of the day) -1: the start is always open
};

// The zones a task gets where its file gives none: a start line 1 km long
// across the first leg, 400 m cylinders at the turnpoints, a 400 m finish
// cylinder (the usual hang-gliding task).
constexpr double kDefaultStartLineHalfLength = 500.0; // (unit: m)
constexpr double kDefaultCylinderRadius = 400.0;      // (unit: m)

// The task named `name` in `file` ("" for the file's first task), placed
// through `toLocal`. Returns "" or one line naming `fileName`, the task's
// line and what is wrong.
std::string buildTask(const CupFile& file, const std::string& fileName, const std::string& name,
                      const ToLocal& toLocal, Task& out);

// The zones' axes from the points' places (after the points or their zones
// change): sectors on the bisector of the legs, lines across the course.
// `styles` holds each point's SeeYou zone style (see CupZone) and `fixedAxes`
// the axes of style 0, one per point.
void orientZones(std::vector<TaskPoint>& points, const std::vector<int>& styles,
                 const std::vector<double>& fixedAxes);

// The task's points to world metres as a .cup names them: the local sphere
// about an origin (x east, y north), for terrains without a projection of
// their own. Same radius as the flight log's local projection.
ToLocal sphericalProjection(double originLatitude, double originLongitude);

} // namespace task
