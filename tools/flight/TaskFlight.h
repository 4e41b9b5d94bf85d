#pragma once

#include <memory>
#include <optional>
#include <string>

#include "nmea/NmeaLink.h"
#include "setup/FlightSetup.h"
#include "setup/TaskRun.h"
#include "flight/FlightOptions.h"
#include "flight/FlightRecorder.h"

namespace flight {

// glider-flight's task and flight computer: the NMEA link the command line
// names, the follower of the flight's task, the IGC declaration and the
// summary's task and score fields.
class TaskFlight {
public:
    // Opens the link (--nmea), before the flight is built. Returns 0, or 2
    // after printing why the link cannot be opened.
    int open(const FlightOptions& options);
    // Follows `ready`'s task, if any, and feeds the link.
    void follow(const setup::ReadyFlight& ready);
    // Hands the recording the follower and the IGC's C records.
    void addTo(RecordingPlan& plan);
    // " task=... xc_points=..." to end the summary line; empty without a task.
    std::string summaryFields() const;

private:
    std::unique_ptr<nmea::NmeaLink> link;
    std::optional<setup::TaskRun> run;
    const setup::ReadyFlight* ready = nullptr;
    CalendarDate date;
};

} // namespace flight
