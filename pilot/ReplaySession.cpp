#include "pilot/ReplaySession.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/matrix_transform.hpp>

#include "physics/SharedConstants.h"
#include "pilot/FlightReading.h"
#include "pilot/SimulationClock.h"

namespace {

constexpr double kStepSeconds = kSecondsPerStep; // (unit: s) the world's fixed step
constexpr std::int64_t kScrubSteps = 500;        // (unit: steps) 5 s per arrow press

} // namespace

std::string ReplaySession::open(const PilotOptions& options) {
    if (std::string reason = replay.load(options.replayPath); !reason.empty()) {
        return reason;
    }
    // The scenario's world gives the glider's model and the air the
    // instruments show; the recording gives where it was.
    if (std::string reason = built.build(options); !reason.empty()) {
        return reason;
    }
    builtPilot = built.glider().pilotParticle().position;
    launchPoint = replay.row(0).position;
    return {};
}

std::string ReplaySession::begin() {
    show(replay.firstStep(), true);
    return {};
}

bool ReplaySession::handle(const SDL_Event& event) {
    if (event.type != SDL_KEYDOWN) {
        return false;
    }
    const SDL_Keycode key = event.key.keysym.sym;
    switch (key) {
    case SDLK_LEFT:
    case SDLK_RIGHT:
        show(replayStep + (key == SDLK_RIGHT ? kScrubSteps : -kScrubSteps), true);
        return true;
    case SDLK_HOME:
    case SDLK_END:
        if (event.key.repeat == 0) {
            show(key == SDLK_HOME ? replay.firstStep() : replay.lastStep(), true);
        }
        return true;
    default:
        return false;
    }
}

void ReplaySession::advance(int steps, SimulationClock& clock) {
    for (int i = 0; i < steps; ++i) {
        if (replayStep >= replay.lastStep()) {
            if (!clock.isPaused()) {
                clock.togglePause(); // the end of the recording: hold the last picture
            }
            return;
        }
        show(replayStep + 1, false);
    }
}

void ReplaySession::show(std::int64_t step, bool jump) {
    replayStep = std::clamp<std::int64_t>(step, replay.firstStep(), replay.lastStep());
    const int at = static_cast<int>(replayStep); // within the recording's int steps now
    const flight::FlightSample& row = replay.row(replay.indexAt(at));
    if (jump) {
        gauges.restart(launchPoint, row.time);
        path.clear();
        // The track up to here, so the map shows where the flight has been.
        for (int i = 0; i < replay.size() && replay.row(i).step <= at; i += 100) {
            path.add(static_cast<float>(replay.row(i).position.x), static_cast<float>(replay.row(i).position.y));
        }
    } else if (row.step % 100 == 0 && row.step == at) {
        path.add(static_cast<float>(row.position.x), static_cast<float>(row.position.y));
    }
    if (std::hypot(row.velocity.x, row.velocity.y) > 0.1) {
        replayHeading = headingFrom(Vector3D(), Vector3D(row.velocity.x, row.velocity.y, 0.0));
    }
    FlightInstruments::Reading reading;
    reading.time = row.time;
    reading.position = row.position;
    reading.velocity = row.velocity;
    reading.air = built.world().airField().velocityAt(row.position, row.time);
    reading.terrainHeight = row.terrainHeight;
    reading.heading = replayHeading;
    gauges.update(reading, jump ? 0.0 : kStepSeconds);
}

glm::dmat4 ReplaySession::gliderPlacement() const {
    // The start glider carried to the recorded position and turned to the
    // recorded heading.
    const Vector3D& at = gauges.position();
    glm::dmat4 placement = glm::translate(glm::dmat4(1.0), glm::dvec3(at.x, at.y, at.z));
    placement = glm::rotate(placement, glm::radians(built.launchHeading() - gauges.heading()),
                            glm::dvec3(0.0, 0.0, 1.0));
    return glm::translate(placement, glm::dvec3(-builtPilot.x, -builtPilot.y, -builtPilot.z));
}

void ReplaySession::describe(InstrumentPanel::Figures& figures) const {
    figures.lateral = 0.0;
    figures.fore = 0.0;
    figures.replay = true;
    figures.replayStep = replayStep;
    figures.replayFirst = replay.firstStep();
    figures.replayLast = replay.lastStep();
}
