#include "pilot/ReplaySession.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sys/stat.h>

#include <glm/gtc/matrix_transform.hpp>

#include "physics/SharedConstants.h"
#include "pilot/FlightReading.h"
#include "pilot/SimulationClock.h"
#include "recording/FlightLog.h"
#include "setup/RecordedSetup.h"

namespace {

constexpr double kStepSeconds = kSecondsPerStep; // (unit: s) the world's fixed step
constexpr std::int64_t kScrubSteps = 500;        // (unit: steps) 5 s per arrow press

// True when `path` names something, even something that cannot be read
// (its reader then says what is wrong with it).
bool present(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// The first option given that would change the world, or null.
const char* worldOptionGiven(const PilotOptions& options) {
    if (!options.scenarioPath.empty()) {
        return "a scenario";
    }
    if (options.modelGiven) {
        return "--model";
    }
    if (options.windGiven) {
        return "--wind";
    }
    if (!options.terrainPath.empty()) {
        return "--terrain";
    }
    if (options.generatedTerrain) {
        return "--generated-terrain";
    }
    if (!options.dem.path.empty()) {
        return "--dem";
    }
    if (!options.imageryPath.empty()) {
        return "--imagery";
    }
    return options.task.empty() ? nullptr : "--task";
}

} // namespace

std::string ReplaySession::open(const PilotOptions& options) {
    const std::string& path = options.replayPath;
    if (std::string reason = replay.load(path); !reason.empty()) {
        return reason;
    }
    // The world gives the glider's model and the air the instruments show;
    // the recording gives where it was.
    const std::string setupPath = FlightLog::companionOf(path, ".setup");
    if (present(setupPath)) {
        if (const char* given = worldOptionGiven(options)) {
            return std::string("--replay: ") + path + " replays in the world recorded with it (" + setupPath + "); " +
                   given + " cannot change that world (give none, or move the setup away)";
        }
        setup::FlightRequest request;
        if (std::string reason = setup::readRecordedSetup(setupPath, request); !reason.empty()) {
            return reason;
        }
        if (std::string reason = built.build(request); !reason.empty()) {
            return setupPath + ": " + reason;
        }
    } else if (std::string reason = built.build(options); !reason.empty()) {
        return reason;
    }
    const ParticleSystem& world = built.world();
    const std::string sailPath = FlightLog::companionOf(path, ".sail");
    if (present(sailPath)) {
        if (std::string reason = sail.load(sailPath); !reason.empty()) {
            return reason;
        }
        if (sail.particleCount() != world.particleCount()) {
            return sailPath + ": holds a glider of " + std::to_string(sail.particleCount()) +
                   " particles, the one replayed has " + std::to_string(world.particleCount()) +
                   " (another flight model?)";
        }
        sailPose.resize(static_cast<std::size_t>(world.particleCount()));
        builtPose.resize(sailPose.size());
        for (int i = 0; i < world.particleCount(); ++i) {
            builtPose[static_cast<std::size_t>(i)] = world.particleAt(i).position;
        }
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
    poseSail();
}

void ReplaySession::poseSail() {
    if (sailPose.empty()) {
        return;
    }
    if (sail.poseAt(replayStep, sailPose.data())) {
        built.world().placeParticles(sailPose.data());
        posed = true;
    } else if (posed) {
        built.world().placeParticles(builtPose.data());
        posed = false;
    }
}

glm::dmat4 ReplaySession::gliderPlacement() const {
    if (posed) {
        return glm::dmat4(1.0); // the world holds the sail where it was
    }
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
