#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "scene/StartScene.h"
#include "setup/TaskRun.h"
#include "flight/FlightOptions.h"
#include "flight/FlightSummary.h"

namespace flight {

// What to fly and where to write it. Null streams are not written.
struct RecordingPlan {
    int steps = 6000;
    bool untilLanded = false;
    const std::vector<KeyPress>* keys = nullptr; // ordered by step; null: none
    std::FILE* csv = nullptr;
    int every = 1;
    std::FILE* igc = nullptr;
    EarthPlacement placement; // where the IGC's fixes lie on the Earth
    CalendarDate date;
    const PilotPlan* pilot = nullptr; // null or mode None: nobody at the keys but the planned ones
    bool air = false;                 // the air's velocity at the pilot in the CSV
    // The task and NMEA follower: it flies when the pilot is "task", and
    // sees every step. Null: none. The IGC's C records, after its header.
    setup::TaskRun* taskRun = nullptr;
    std::vector<std::string> igcDeclaration;
    bool untilGoal = false; // stop once the task's finish is reached
};

RecordingPlan planFrom(const FlightOptions& options, std::FILE* csv, std::FILE* igc);

// Steps a prepared flight as fast as it goes, pressing the planned keys with
// the windowed program's actions, and writes the pilot's trajectory. The
// state after s steps is reported before the keys planned for step s act;
// the simple pilot, if any, presses after them.
FlightSummary recordFlight(start::Flight& flight, const RecordingPlan& plan);

} // namespace flight
