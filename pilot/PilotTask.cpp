#include "pilot/PilotTask.h"

#include <ctime>

#include "task/IgcTaskDeclaration.h"

std::string PilotTask::open(const PilotOptions& options) {
    if (!options.nmea.empty()) {
        std::string error;
        link = nmea::openNmeaLink(options.nmea, error);
        if (!link) {
            return "--nmea: " + error;
        }
    }
    return {};
}

std::vector<std::string> PilotTask::start(const setup::ReadyFlight& flight, std::time_t startedAt) {
    if (!flight.task && !link) {
        return {};
    }
    std::tm utc{};
    gmtime_r(&startedAt, &utc);
    const flight::CalendarDate today{utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday};
    const long long secondOfDay = utc.tm_hour * 3600LL + utc.tm_min * 60LL + utc.tm_sec;
    run.emplace(flight, link.get(), today, static_cast<double>(secondOfDay));
    const task::Task* t = flight.task.get();
    if (t == nullptr) {
        return {};
    }
    shown.name = t->name;
    for (const task::TaskPoint& p : t->points) {
        shown.points.push_back({p.zone.x, p.zone.y, p.zone.radius, p.zone.shape == task::ObservationZone::Shape::Line,
                                p.zone.axis});
        shown.names.push_back(p.name);
    }
    return task::igcTaskDeclaration(*t, {today.year, today.month, today.day, secondOfDay}, 1);
}

const TaskFigures* PilotTask::figures() const {
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
