#include "setup/TaskRun.h"

#include <cmath>

#include "recording/FlightSample.h"
#include "physics/SharedConstants.h"
#include "recording/IgcCoordinates.h"
#include "scene/PilotSeat.h"
#include "setup/TaskSetup.h"
#include "task/ObservationZone.h"
#include "task/TaskSummary.h"

namespace setup {

namespace {

constexpr std::size_t kReservedFixes = 8 * 3600;

GeoCoordinate whereOnEarth(const ReadyFlight& ready, double x, double y) {
    GeoCoordinate where;
    if (ready.projection != nullptr && ready.projection->toGeographic(x, y, where)) {
        return where;
    }
    const flight::GeoPoint point = flight::geoPointOf(ready.origin, x, y);
    return {point.latitude, point.longitude};
}

// To a thousandth of a minute, as the log's B records hold it: the score is
// the one a contest server computes from the log.
double asLogged(double degrees) { return std::round(degrees * 60000.0) / 60000.0; }

} // namespace

TaskRun::TaskRun(const ReadyFlight& ready_, nmea::NmeaLink* link, const flight::CalendarDate& date_,
                 double startSecondOfDay)
    : ready(ready_), date(date_) {
    if (ready.task) {
        progress_ = std::make_unique<task::TaskProgress>(*ready.task, kTaskGlideRatio, startSecondOfDay);
        if (ready.scenario.pilot.mode == PilotPlan::Mode::Task) {
            const Vector3D& wind = ready.flight.world->windVelocity();
            pilot = std::make_unique<TaskPilot>(*ready.task, *progress_, wind.x, wind.y, PilotLimits(),
                                                start::pilotGainsFor(ready.flight.model));
        }
        fixes.reserve(kReservedFixes);
    }
    if (link != nullptr) {
        feed = std::make_unique<nmea::NmeaFeed>(*link, kNmeaPositionRate, startSecondOfDay);
    }
}

PilotCommand TaskRun::decide(const start::Flight& flight) {
    return pilot ? pilot->decide(start::pilotView(flight)) : PilotCommand::None;
}

void TaskRun::follow(const start::Flight& flight) {
    const double time = static_cast<double>(steps) * kSecondsPerStep;
    const Vector3D& p = flight.glider->pilotParticle().position;
    const double altitude = p.z + ready.origin.elevation;
    if (progress_) {
        progress_->update(time, p.x, p.y, altitude);
        if (steps % kStepsPerSecond == 0) {
            const GeoCoordinate g = whereOnEarth(ready, p.x, p.y);
            fixes.push_back({asLogged(g.latitude), asLogged(g.longitude)});
        }
    }
    if (feed) {
        const PilotView view = start::pilotView(flight);
        const Vector3D air = flight::airAtPilot(*flight.glider, *flight.world);
        const Vector3D through(view.velocity.x - air.x, view.velocity.y - air.y, view.velocity.z - air.z);
        const double airspeed = std::sqrt(through.x * through.x + through.y * through.y + through.z * through.z);
        const double te = vario.update(time, altitude, airspeed);
        if (feed->tick(time)) {
            nmea::NmeaFix fix;
            fix.year = date.year;
            fix.month = date.month;
            fix.day = date.day;
            const GeoCoordinate g = whereOnEarth(ready, p.x, p.y);
            fix.latitude = g.latitude;
            fix.longitude = g.longitude;
            fix.altitude = altitude;
            fix.geoidSeparation = kGeoidSeparation;
            fix.groundSpeed = view.groundSpeed;
            fix.track = view.track;
            fix.heading = task::bearingOf(through.x, through.y);
            fix.trueAirspeed = airspeed;
            fix.totalEnergyVario = te;
            fix.windFrom = task::bearingOf(-air.x, -air.y);
            fix.windSpeed = std::hypot(air.x, air.y);
            feed->send(fix);
        }
    }
    ++steps;
}

void TaskRun::restart() {
    if (progress_) {
        progress_->breakTrack();
    }
    // A new flight: its score is its own (the capacity stays).
    fixes.clear();
    vario.restart();
}

std::string TaskRun::resultFields() const {
    if (!progress_) {
        return {};
    }
    return task::taskResultFields(progress_->status()) + " " + task::xcScoreFields(score());
}

} // namespace setup
