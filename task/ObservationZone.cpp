#include "task/ObservationZone.h"
#include "physics/SharedConstants.h"

#include <algorithm>
#include <cmath>

namespace task {

namespace {

constexpr double kRadiansPerDegree = kPi / 180.0;

double offAxis(double bearing, double axis) {
    const double d = std::fabs(std::remainder(bearing - axis, 360.0));
    return d;
}

bool withinSector(double distance, double bearing, double radius, double halfAngle, double axis) {
    return distance <= radius && (halfAngle >= 180.0 || offAxis(bearing, axis) <= halfAngle);
}

// Fractions at which the step crosses the circle of `radius` about the centre.
int circleCrossings(double dx, double dy, double ux, double uy, double radius, double* out) {
    // |d + t u| = radius, d the start relative to the centre.
    const double a = ux * ux + uy * uy;
    if (a == 0.0 || radius <= 0.0) {
        return 0;
    }
    const double b = 2.0 * (dx * ux + dy * uy);
    const double c = dx * dx + dy * dy - radius * radius;
    const double disc = b * b - 4.0 * a * c;
    if (disc < 0.0) {
        return 0;
    }
    const double root = std::sqrt(disc);
    out[0] = (-b - root) / (2.0 * a);
    out[1] = (-b + root) / (2.0 * a);
    return 2;
}

// Fraction at which the step crosses the line through the centre along `bearing`.
int rayCrossing(double dx, double dy, double ux, double uy, double bearing, double* out) {
    const double bx = std::sin(bearing * kRadiansPerDegree);
    const double by = std::cos(bearing * kRadiansPerDegree);
    // Side of the ray's line: cross(b, d + t u) = 0.
    const double denominator = bx * uy - by * ux;
    if (denominator == 0.0) {
        return 0;
    }
    out[0] = -(bx * dy - by * dx) / denominator;
    return 1;
}

// The sorted fractions in [0, 1] where the step may cross a sector zone's
// edge, with both ends of the step.
int edgeFractions(const ObservationZone& z, double x0, double y0, double x1, double y1, double* t) {
    const double dx = x0 - z.x;
    const double dy = y0 - z.y;
    const double ux = x1 - x0;
    const double uy = y1 - y0;
    double all[12];
    int n = 0;
    all[n++] = 0.0;
    all[n++] = 1.0;
    n += circleCrossings(dx, dy, ux, uy, z.radius, all + n);
    n += circleCrossings(dx, dy, ux, uy, z.innerRadius, all + n);
    if (z.halfAngle < 180.0) {
        n += rayCrossing(dx, dy, ux, uy, z.axis - z.halfAngle, all + n);
        n += rayCrossing(dx, dy, ux, uy, z.axis + z.halfAngle, all + n);
    }
    if (z.innerRadius > 0.0 && z.innerHalfAngle < 180.0) {
        n += rayCrossing(dx, dy, ux, uy, z.axis - z.innerHalfAngle, all + n);
        n += rayCrossing(dx, dy, ux, uy, z.axis + z.innerHalfAngle, all + n);
    }
    int kept = 0;
    for (int i = 0; i < n; ++i) {
        if (all[i] >= 0.0 && all[i] <= 1.0) {
            t[kept++] = all[i];
        }
    }
    // At most a dozen: an insertion sort.
    for (int i = 1; i < kept; ++i) {
        const double v = t[i];
        int j = i;
        for (; j > 0 && t[j - 1] > v; --j) {
            t[j] = t[j - 1];
        }
        t[j] = v;
    }
    return kept;
}

// First fraction at which `contains` equals `wanted`, by the edge crossings:
// between two crossings the answer cannot change.
double firstFraction(const ObservationZone& z, double x0, double y0, double x1, double y1, bool wanted) {
    double t[12];
    const int n = edgeFractions(z, x0, y0, x1, y1, t);
    const auto at = [&](double f) { return contains(z, x0 + f * (x1 - x0), y0 + f * (y1 - y0)) == wanted; };
    for (int i = 0; i < n; ++i) {
        if (at(t[i]) || (i + 1 < n && at(0.5 * (t[i] + t[i + 1])))) {
            return t[i];
        }
    }
    return -1.0;
}

double lineCrossing(const ObservationZone& z, double x0, double y0, double x1, double y1) {
    const double ax = std::sin(z.axis * kRadiansPerDegree);
    const double ay = std::cos(z.axis * kRadiansPerDegree);
    const double side0 = (x0 - z.x) * ax + (y0 - z.y) * ay;
    const double side1 = (x1 - z.x) * ax + (y1 - z.y) * ay;
    if (!(side0 < 0.0 && side1 >= 0.0)) {
        return -1.0;
    }
    const double t = side0 / (side0 - side1);
    const double px = x0 + t * (x1 - x0) - z.x;
    const double py = y0 + t * (y1 - y0) - z.y;
    // Along the line: the component across the axis.
    const double along = px * ay - py * ax;
    return std::fabs(along) <= z.radius ? t : -1.0;
}

double pathThrough(double px, double py, double ox, double oy, double qx, double qy) {
    return std::hypot(ox - px, oy - py) + std::hypot(qx - ox, qy - oy);
}

} // namespace

double bearingOf(double dx, double dy) {
    if (dx == 0.0 && dy == 0.0) {
        return 0.0;
    }
    const double b = std::atan2(dx, dy) / kRadiansPerDegree;
    return b < 0.0 ? b + 360.0 : b;
}

bool contains(const ObservationZone& z, double px, double py) {
    if (z.shape == ObservationZone::Shape::Line) {
        return false;
    }
    const double dx = px - z.x;
    const double dy = py - z.y;
    const double distance = std::hypot(dx, dy);
    const double bearing = bearingOf(dx, dy);
    return withinSector(distance, bearing, z.radius, z.halfAngle, z.axis) ||
           withinSector(distance, bearing, z.innerRadius, z.innerHalfAngle, z.axis);
}

double entryFraction(const ObservationZone& z, double x0, double y0, double x1, double y1) {
    if (z.shape == ObservationZone::Shape::Line) {
        return lineCrossing(z, x0, y0, x1, y1);
    }
    return firstFraction(z, x0, y0, x1, y1, true);
}

double exitFraction(const ObservationZone& z, double x0, double y0, double x1, double y1) {
    if (z.shape == ObservationZone::Shape::Line || !contains(z, x0, y0)) {
        return -1.0;
    }
    return firstFraction(z, x0, y0, x1, y1, false);
}

void touchPoint(const ObservationZone& z, double px, double py, double qx, double qy, double& ox, double& oy) {
    ox = z.x;
    oy = z.y;
    if (z.shape == ObservationZone::Shape::Line) {
        // The path length is convex along the line: a ternary search.
        const double ax = std::sin(z.axis * kRadiansPerDegree);
        const double ay = std::cos(z.axis * kRadiansPerDegree);
        double lo = -z.radius;
        double hi = z.radius;
        for (int i = 0; i < 60; ++i) {
            const double m1 = lo + (hi - lo) / 3.0;
            const double m2 = hi - (hi - lo) / 3.0;
            if (pathThrough(px, py, z.x + m1 * ay, z.y - m1 * ax, qx, qy) <=
                pathThrough(px, py, z.x + m2 * ay, z.y - m2 * ax, qx, qy)) {
                hi = m2;
            } else {
                lo = m1;
            }
        }
        const double s = 0.5 * (lo + hi);
        ox = z.x + s * ay;
        oy = z.y - s * ax;
        return;
    }
    if (z.halfAngle < 180.0 || z.radius <= 0.0) {
        return;
    }
    // A path from p to q that crosses the cylinder runs straight: the zone
    // is reached where the path first meets it (at p when p is inside).
    const double ux = qx - px;
    const double uy = qy - py;
    const double dx = px - z.x;
    const double dy = py - z.y;
    if (std::hypot(dx, dy) <= z.radius) {
        ox = px;
        oy = py;
        return;
    }
    double t[2];
    if (circleCrossings(dx, dy, ux, uy, z.radius, t) == 2 && t[0] >= 0.0 && t[0] <= 1.0) {
        ox = px + t[0] * ux;
        oy = py + t[0] * uy;
        return;
    }
    const double length2 = ux * ux + uy * uy;
    double s = length2 > 0.0 ? ((z.x - px) * ux + (z.y - py) * uy) / length2 : 0.0;
    s = std::clamp(s, 0.0, 1.0);
    const double nx = px + s * ux;
    const double ny = py + s * uy;
    // Otherwise on the half circle facing that point, where the path length
    // has a single minimum.
    const double facing = std::atan2(ny - z.y, nx - z.x);
    double lo = facing - 0.5 * kPi;
    double hi = facing + 0.5 * kPi;
    const auto length = [&](double a) {
        return pathThrough(px, py, z.x + z.radius * std::cos(a), z.y + z.radius * std::sin(a), qx, qy);
    };
    for (int i = 0; i < 60; ++i) {
        const double m1 = lo + (hi - lo) / 3.0;
        const double m2 = hi - (hi - lo) / 3.0;
        if (length(m1) <= length(m2)) {
            hi = m2;
        } else {
            lo = m1;
        }
    }
    const double a = 0.5 * (lo + hi);
    ox = z.x + z.radius * std::cos(a);
    oy = z.y + z.radius * std::sin(a);
}

} // namespace task
