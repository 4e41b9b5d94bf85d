#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

#include <glm/mat4x4.hpp>

#include "pilot/FlightInstruments.h"
#include "pilot/FlightTrack.h"
#include "pilot/InstrumentPanel.h"
#include "pilot/PilotFlight.h"
#include "pilot/PilotOptions.h"

class SimulationClock;

// What glider-pilot's window shows: a flight flown now, or one played back.
// The window, the renderers, the clock and the pilot's hands belong to the
// app; a session turns the clock's steps into a glider, instruments and a
// track, and says how it ended. Each kind is a class of its own, so the
// app's loop asks no question about which one it runs.
class PilotSession {
public:
    // The exit status of a flight whose recording failed to be written whole
    // (a full disk): the files hold what fitted.
    static constexpr int kFlightNotSavedWhole = 3;

    // How a session stopped by itself, and with what status.
    struct Ending {
        bool ended = false;
        int status = 0;      // the process's exit status
        std::string message; // one line for stderr, "" for none
    };

    virtual ~PilotSession() = default;

    // Builds the flight and reads whatever the session plays, writing
    // nothing yet. On bad input returns one line naming the file or option
    // and what is wrong.
    virtual std::string open(const PilotOptions& options) = 0;
    // Once a display was found: starts whatever the session writes, and
    // sets the instruments and the track for the first frame. Returns the
    // reason on failure, else "".
    virtual std::string begin() = 0;
    // Events the session itself answers (a replay's scrub keys, the
    // right-drag weight shift). True when the event was the session's.
    virtual bool handle(const SDL_Event& event) = 0;
    // `steps` steps of 0.01 s granted by the clock.
    virtual void advance(int steps, SimulationClock& clock) = 0;
    // R or F1: back to the start.
    virtual void restart() = 0;
    // The panel's slider moved to `step`.
    virtual void scrubTo(std::int64_t step) { (void)step; }
    // Where the start glider's model is drawn: the identity for a glider
    // flown in this world.
    virtual glm::dmat4 gliderPlacement() const = 0;
    // The session's own figures of the panel (weight shift, replay slider).
    virtual void describe(InstrumentPanel::Figures& figures) const = 0;
    // Set when the session stopped by itself (a blow-up).
    const Ending& ending() const { return stopped; }
    // Puts what was flown in place. Called once the loop is over, and again
    // harmlessly (the first call does the work). Returns the exit status
    // this session asks for (0: nothing went wrong).
    virtual int close() = 0;

    const PilotFlight& flight() const { return built; }
    const FlightInstruments& instruments() const { return gauges; }
    const FlightTrack& track() const { return path; }
    const Vector3D& launch() const { return launchPoint; }

protected:
    PilotFlight built;
    FlightInstruments gauges;
    FlightTrack path;
    Vector3D launchPoint;
    Ending stopped;
};
