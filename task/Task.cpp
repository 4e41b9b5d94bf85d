#include "task/Task.h"
#include "physics/SharedConstants.h"

#include <cmath>

namespace task {

namespace {

constexpr double kEarthRadius = 6371000.0; // (unit: m)

const CupWaypoint* findWaypoint(const CupFile& file, const std::string& name) {
    for (const CupWaypoint& w : file.waypoints) {
        if (w.name == name) {
            return &w;
        }
    }
    return nullptr;
}

// Bearing of the unit vector sum of two directions, or `fallback` when they cancel.
double meanBearing(double a, double b, double fallback) {
    const double ra = a * kPi / 180.0;
    const double rb = b * kPi / 180.0;
    const double x = std::sin(ra) + std::sin(rb);
    const double y = std::cos(ra) + std::cos(rb);
    if (std::hypot(x, y) < 1e-9) {
        return fallback;
    }
    return bearingOf(x, y);
}

double towards(const TaskPoint& from, const TaskPoint& to) {
    return bearingOf(to.zone.x - from.zone.x, to.zone.y - from.zone.y);
}

double opposite(double bearing) { return std::fmod(bearing + 180.0, 360.0); }

} // namespace

void orientZones(std::vector<TaskPoint>& points, const std::vector<int>& styles,
                 const std::vector<double>& fixedAxes) {
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        ObservationZone& z = points[i].zone;
        const bool first = i == 0;
        const bool last = i + 1 == n;
        const double toNext = last ? 0.0 : towards(points[i], points[i + 1]);
        const double toPrevious = first ? 0.0 : towards(points[i], points[i - 1]);
        if (z.shape == ObservationZone::Shape::Line) {
            // Crossed along the course: into the first leg, out of the last.
            z.axis = first ? toNext : opposite(toPrevious);
            continue;
        }
        switch (styles[i]) {
        case 0:
            z.axis = fixedAxes[i];
            break;
        case 2:
            z.axis = last ? opposite(toPrevious) : opposite(toNext);
            break;
        case 3:
            z.axis = first ? opposite(toNext) : opposite(toPrevious);
            break;
        case 4:
            z.axis = first ? opposite(toNext) : opposite(towards(points[i], points[0]));
            break;
        default:
            // Symmetrical: outwards on the bisector of the two legs.
            if (first) {
                z.axis = opposite(toNext);
            } else if (last) {
                z.axis = opposite(toPrevious);
            } else {
                z.axis = opposite(meanBearing(toNext, toPrevious, toNext + 90.0));
            }
            break;
        }
    }
}

std::string buildTask(const CupFile& file, const std::string& fileName, const std::string& name,
                      const ToLocal& toLocal, Task& out) {
    const CupTask* found = nullptr;
    for (const CupTask& t : file.tasks) {
        if (name.empty() || t.name == name) {
            found = &t;
            break;
        }
    }
    if (!found) {
        return fileName + ": " + (name.empty() ? std::string("no task") : "no task named '" + name + "'");
    }
    const std::string where = fileName + ":" + std::to_string(found->line) + ": ";
    Task task;
    task.name = found->name;
    task.startOpens = found->noStart;
    const std::size_t count = found->points.size();
    std::vector<TaskPoint> all(count);
    for (std::size_t i = 0; i < count; ++i) {
        const CupWaypoint* w = findWaypoint(file, found->points[i]);
        if (!w) {
            return where + "field point " + std::to_string(i + 1) + ": no waypoint named '" + found->points[i] + "'";
        }
        all[i].name = w->name;
        all[i].position = w->position;
        all[i].elevation = w->elevation;
        if (!toLocal(w->position, all[i].zone.x, all[i].zone.y)) {
            return where + "field point " + std::to_string(i + 1) + ": '" + w->name +
                   "' lies outside the terrain's map projection";
        }
    }
    task.takeoff = all.front();
    task.landing = all.back();
    task.points.assign(all.begin() + 1, all.end() - 1);
    const std::size_t n = task.points.size();
    std::vector<int> styles(n, 1);
    std::vector<double> fixedAxes(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        ObservationZone& z = task.points[i].zone;
        if (i == 0) {
            z.shape = ObservationZone::Shape::Line;
            z.radius = kDefaultStartLineHalfLength;
        } else {
            z.radius = kDefaultCylinderRadius;
        }
    }
    for (const CupZone& c : found->zones) {
        ObservationZone& z = task.points[static_cast<std::size_t>(c.index)].zone;
        z.shape = c.line ? ObservationZone::Shape::Line : ObservationZone::Shape::Sector;
        if (c.hasR1) {
            z.radius = c.r1;
        }
        z.halfAngle = c.a1;
        z.innerRadius = c.r2;
        z.innerHalfAngle = c.a2;
        styles[static_cast<std::size_t>(c.index)] = c.style;
        fixedAxes[static_cast<std::size_t>(c.index)] = c.a12;
        if (z.radius <= 0.0 && z.innerRadius <= 0.0) {
            return fileName + ":" + std::to_string(c.lineNumber) + ": field R1: the zone has no size";
        }
    }
    orientZones(task.points, styles, fixedAxes);
    out = std::move(task);
    return "";
}

ToLocal sphericalProjection(double originLatitude, double originLongitude) {
    const double parallel = kEarthRadius * std::cos(originLatitude * kPi / 180.0);
    return [=](const GeoCoordinate& where, double& x, double& y) {
        y = (where.latitude - originLatitude) * kPi / 180.0 * kEarthRadius;
        x = std::remainder(where.longitude - originLongitude, 360.0) * kPi / 180.0 * parallel;
        return std::isfinite(x) && std::isfinite(y);
    };
}

} // namespace task
