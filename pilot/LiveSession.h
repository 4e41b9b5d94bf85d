#pragma once

#include <string>

#include "pilot/PilotSession.h"
#include "pilot/PilotTask.h"
#include "pilot/WeightShiftInput.h"
#include "recording/FlightLog.h"

// A flight flown now: the pilot's weight shift into the world, every step
// into the flight log (with the flight's setup and the sail, so that it
// replays alone) and to the task's follower (progress, score, NMEA). A
// step whose numbers are no longer finite ends the session as glider-flight
// ends such a run (status 1, the step named), with everything before it
// saved.
class LiveSession : public PilotSession {
public:
    explicit LiveSession(WeightShiftInput& hands) : input(hands) {}

    std::string open(const PilotOptions& options) override;
    std::string begin() override;
    bool handle(const SDL_Event& event) override;
    void advance(int steps, SimulationClock& clock) override;
    void restart() override;
    glm::dmat4 gliderPlacement() const override { return glm::dmat4(1.0); }
    void describe(InstrumentPanel::Figures& figures) const override;
    int close() override;

private:
    WeightShiftInput& input;
    FlightLog log;
    FlightLog::ReplayRecord replayRecord; // the setup and the sail's layout, for the log
    PilotTask task; // the task and the flight computer's link
    std::string flightsDirectory;
    int step = 0; // steps flown since the start, never reset: the recording's clock
    bool mouseShift = false;
    int shiftOriginX = 0;
    int shiftOriginY = 0;
};
