#pragma once

#include <memory>
#include <string>
#include <vector>

#include "autopilot/TaskPilot.h"
#include "nmea/EnergyVario.h"
#include "nmea/NmeaFeed.h"
#include "nmea/NmeaLink.h"
#include "recording/CalendarDate.h"
#include "setup/FlightSetup.h"
#include "task/FreeFlightScore.h"
#include "task/TaskProgress.h"

// What follows a flight step by step for the cross-country pilot, the same in
// every front end: progress along the task, the task pilot when it flies,
// the fixes the free-flight score is computed from, and the NMEA stream to a
// flight computer. The clock is the flight's own, steps of 0.01 s counted
// since the run began: a reset (F1) goes on from there, never back.
namespace setup {

// Without a geoid model the separation reported is the one of the Alps
// (EGM96 about 47 m there): flight computers only add it to the altitude.
constexpr double kGeoidSeparation = 47.0; // (unit: m)
// Position sentences per second; the instruments' go at 5 Hz.
constexpr double kNmeaPositionRate = 5.0; // (unit: Hz)

class TaskRun {
public:
    // `ready` (its task and map) and `link` (null: no NMEA) must outlive the
    // run. `startSecondOfDay`: the clock at the run's first step, UTC.
    TaskRun(const ReadyFlight& ready, nmea::NmeaLink* link, const flight::CalendarDate& date,
            double startSecondOfDay);

    const task::Task* task() const { return ready.task.get(); }
    const task::TaskProgress* progress() const { return progress_.get(); }
    // True when the task pilot flies: a task, and the scenario's pilot is "task".
    bool flies() const { return pilot != nullptr; }
    PilotCommand decide(const start::Flight& flight);
    const TaskPilot* taskPilot() const { return pilot.get(); }

    // The flight after another step. Allocates nothing but the score's fix
    // once a second (reserved for hours).
    void follow(const start::Flight& flight);
    // The glider was put back at its start: the task goes on (a new start
    // may be flown), the score starts afresh.
    void restart();

    // The free-flight score of the fixes so far (a few hundred milliseconds
    // for hours of flight: call it at the end).
    task::XcScore score() const { return task::scoreFreeFlight(fixes); }
    // "task=completed task_km= task_kmh= xc_type= xc_km= xc_points="; empty without a task.
    std::string resultFields() const;

private:
    const ReadyFlight& ready;
    std::unique_ptr<task::TaskProgress> progress_;
    std::unique_ptr<TaskPilot> pilot;
    std::unique_ptr<nmea::NmeaFeed> feed;
    nmea::EnergyVario vario;
    flight::CalendarDate date;
    std::vector<GeoCoordinate> fixes; // a fix a second, as the flight log holds them
    long long steps = 0;
};

} // namespace setup
