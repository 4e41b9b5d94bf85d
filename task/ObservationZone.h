#pragma once

// Where a task point counts as reached, in world metres (x east, y north).
// Bearings are degrees clockwise from north (+y), as the pilot's headings.
//
// One record covers what a SeeYou observation zone describes: a sector of
// radius R1 and half-angle A1 around an axis (A1 = 180: a cylinder), an
// optional inner sector R2/A2 joined to it (a keyhole), or a line of half
// length R1 across the axis. The axis of a sector points into the zone, away
// from the course; the axis of a line points along the course, the way the
// line is crossed.
namespace task {

struct ObservationZone {
    enum class Shape { Sector, Line };
    Shape shape = Shape::Sector;
    double x = 0.0;                // (unit: m) the point itself
    double y = 0.0;                // (unit: m)
    double radius = 400.0;         // (unit: m) R1; a line's half length
    double halfAngle = 180.0;      // (unit: degrees) A1, 0..180; 180 is a whole cylinder
    double innerRadius = 0.0;      // (unit: m) R2, 0 for none
    double innerHalfAngle = 180.0; // (unit: degrees) A2
    double axis = 0.0;             // (unit: degrees) bearing the sector opens towards, or a line is crossed along
};

// Bearing from (x0, y0) to (x1, y1) in [0, 360); 0 for the same point.
double bearingOf(double dx, double dy); // (unit: degrees)

// Inside or on the edge of a sector zone; a line contains nothing.
bool contains(const ObservationZone& zone, double px, double py);

// The first fraction t in [0, 1] of the step from (x0, y0) to (x1, y1) at
// which the glider is inside the zone (0 when it starts inside), exactly
// where the path meets the zone's edge, or -1 when the step never touches
// it. Lines: the fraction at which the step crosses the line along its axis.
double entryFraction(const ObservationZone& zone, double x0, double y0, double x1, double y1);

// The first fraction at which a step that starts inside a sector zone is
// outside it, or -1 when it stays inside (or starts outside).
double exitFraction(const ObservationZone& zone, double x0, double y0, double x1, double y1);

// The point of the zone on the shortest path from (px, py) through the zone
// to (qx, qy): on the circle of a cylinder, along a line; a sector that is
// not a whole cylinder is rounded through its point, as contests measure it.
void touchPoint(const ObservationZone& zone, double px, double py, double qx, double qy, double& ox, double& oy);

} // namespace task
