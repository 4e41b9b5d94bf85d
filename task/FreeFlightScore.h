#pragma once

#include <array>
#include <vector>

#include "terrain/GeoCoordinate.h"

// A flight's free score as online contests compute it from the track alone
// (the World XContest table): the best of
//   free distance through up to 3 turnpoints   x1.0
//   flat triangle, closed within 20% of it      x1.2 (closed within 5%: x1.4)
//   FAI triangle (no side under 28%), likewise  x1.4 (closed within 5%: x1.6)
// A triangle's distance is its perimeter; its points count the perimeter less
// the closing gap (the nearest pair of fixes, one before the first turnpoint,
// one after the last). Legs and gap count to whole 10 m (contests state
// distances to 0.01 km), the closing limits stated to 10 m and judged on those.
namespace task {

enum class XcType { None, FreeDistance, FlatTriangle, ClosedFlatTriangle, FaiTriangle, ClosedFaiTriangle };

// "free_distance", "flat_triangle", "closed_flat_triangle", "fai_triangle",
// "closed_fai_triangle", "none".
const char* xcTypeName(XcType type);

// A fix in world metres (x east, y north).
struct XcFix {
    double x = 0.0; // (unit: m)
    double y = 0.0; // (unit: m)
};

struct XcScore {
    XcType type = XcType::None;
    double distance = 0.0;   // (unit: m) the route, or the triangle's perimeter
    double closing = 0.0;    // (unit: m) a triangle's gap
    double multiplier = 0.0;
    double points = 0.0;     // km of (distance - closing) times the multiplier, to 0.01
    // Indices into the track: free distance start, 3 turnpoints, finish;
    // triangles: the 3 turnpoints and the closing pair (before, after).
    std::array<int, 5> fixes{};
};

// The best score of `track` (fixes in time order, a second or so apart).
// Exhaustive over a thinned track, then each point refined over the fixes
// around it; a few hundred milliseconds for a few hours' flight.
XcScore scoreFreeFlight(const std::vector<XcFix>& track);
// The same for the fixes as the flight log holds them (latitude and
// longitude), measured on the WGS-84 ellipsoid as contests measure them:
// what a contest server scores from the log.
XcScore scoreFreeFlight(const std::vector<GeoCoordinate>& track);

} // namespace task
