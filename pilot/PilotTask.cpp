#include "pilot/PilotTask.h"

#include <ctime>

std::string PilotTask::open(const PilotOptions& options, const setup::ReadyFlight& flight) {
    if (!options.nmea.empty()) {
        std::string error;
        link = nmea::openNmeaLink(options.nmea, error);
        if (!link) {
            return "--nmea: " + error;
        }
    }
    if (!flight.task && !link) {
        return {};
    }
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    const flight::CalendarDate today{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday};
    run.emplace(flight, link.get(), today, utc.tm_hour * 3600.0 + utc.tm_min * 60.0 + utc.tm_sec);
    if (const task::Task* t = flight.task.get()) {
        shown.name = t->name;
        for (const task::TaskPoint& p : t->points) {
            shown.points.push_back({p.zone.x, p.zone.y, p.zone.radius,
                                    p.zone.shape == task::ObservationZone::Shape::Line, p.zone.axis});
            shown.names.push_back(p.name);
        }
    }
    return {};
}

const TaskFigures* PilotTask::figures() {
    if (!hasTask()) {
        return nullptr;
    }
    const task::TaskProgress& progress = *run->progress();
    const task::TaskStatus& s = progress.status();
    shown.next = s.nextPoint;
    shown.started = s.started;
    shown.finished = s.finished;
    if (!s.finished) {
        shown.aimX = progress.routeX(s.nextPoint);
        shown.aimY = progress.routeY(s.nextPoint);
    }
    shown.bearing = s.nextBearing;
    shown.distance = s.nextDistance;
    shown.requiredGlide = s.requiredGlide;
    shown.arrival = s.arrivalHeight;
    shown.elapsed = s.elapsed;
    shown.flown = s.distanceFlown;
    shown.taskDistance = s.taskDistance;
    return &shown;
}
