#include "pilot/LiveSession.h"

#include <cstdio>
#include <ctime>

#include "physics/SharedConstants.h"
#include "pilot/FlightReading.h"
#include "recording/FlightSample.h"
#include "setup/RecordedSetup.h"

namespace {

constexpr double kStepSeconds = kSecondsPerStep; // (unit: s) the world's fixed step
constexpr double kMouseShiftPixels = 200.0;      // (unit: pixels) full weight shift of a right-drag

// The same words as glider-flight's, for the same event.
std::string divergence(int step, const std::string& who) {
    return "the flight diverged at step " + std::to_string(step) + ": " + who +
           " left the finite numbers (the forces outgrew what steps of 0.01 s can follow); "
           "nothing after step " + std::to_string(step - 1) + " was recorded";
}

} // namespace

std::string LiveSession::open(const PilotOptions& options) {
    flightsDirectory = options.flightsDirectory;
    const setup::FlightRequest request = pilotFlightRequest(options);
    if (std::string reason = built.build(request); !reason.empty()) {
        return reason;
    }
    // What a replay of this flight needs beside its track.
    if (std::string reason = setup::writeRecordedSetup(request, replayRecord.setup); !reason.empty()) {
        return reason;
    }
    replayRecord.sail.particles = built.world().particleCount();
    replayRecord.sail.hub = built.glider().hubParticle().index;
    launchPoint = built.glider().pilotParticle().position;
    // The flight computer's link, before anything is written.
    return task.open(options);
}

std::string LiveSession::begin() {
    const std::time_t startedAt = std::time(nullptr);
    const std::vector<std::string> declaration = task.start(built.built(), startedAt);
    if (std::string reason = log.open(flightsDirectory, startedAt, built.placement(), declaration, replayRecord); !reason.empty()) {
        return reason;
    }
    gauges.restart(launchPoint, 0.0);
    gauges.update(readFlight(built.glider(), built.world(), built.terrain()), 0.0);
    log.record(flight::samplePilot(built.glider(), built.world(), built.terrain(), 0), &built.world());
    task.follow(built.flight());
    path.add(static_cast<float>(launchPoint.x), static_cast<float>(launchPoint.y));
    return {};
}

bool LiveSession::handle(const SDL_Event& event) {
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button != SDL_BUTTON_RIGHT) {
            return false;
        }
        mouseShift = true;
        shiftOriginX = event.button.x;
        shiftOriginY = event.button.y;
        input.setMouse(true, 0.0, 0.0);
        return true;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button != SDL_BUTTON_RIGHT) {
            return false;
        }
        mouseShift = false;
        input.setMouse(false, 0.0, 0.0);
        return true;
    case SDL_MOUSEMOTION:
        if (mouseShift) {
            input.setMouse(true, (event.motion.x - shiftOriginX) / kMouseShiftPixels,
                           (event.motion.y - shiftOriginY) / kMouseShiftPixels);
        }
        return false; // the camera's orbit may use the same motion
    default:
        return false;
    }
}

void LiveSession::advance(int steps, SimulationClock&) {
    for (int i = 0; i < steps && !stopped.ended; ++i) {
        input.update(kStepSeconds);
        built.setWeightShift(input.lateral(), input.fore());
        built.world().step();
        ++step;
        // A state that is no longer numbers stays so: stop before it is
        // written anywhere or shown.
        const int nonFinite = flight::firstNonFiniteParticle(built.world());
        const flight::FlightSample sample = flight::samplePilot(built.glider(), built.world(), built.terrain(), step);
        if (nonFinite >= 0 || !flight::isFinite(sample)) {
            const int pilot = built.glider().pilotParticle().index;
            const int who = nonFinite >= 0 ? nonFinite : pilot;
            stopped = {true, 1, divergence(step, who == pilot ? "the pilot" : "particle " + std::to_string(who))};
            return;
        }
        gauges.update(readFlight(built.glider(), built.world(), built.terrain()), kStepSeconds);
        log.record(sample, &built.world());
        task.follow(built.flight());
        if (step % 100 == 0) {
            const Vector3D& p = gauges.position();
            path.add(static_cast<float>(p.x), static_cast<float>(p.y));
        }
    }
}

void LiveSession::restart() {
    if (stopped.ended) {
        return; // a world that left the numbers cannot be put back
    }
    input.centre();
    built.reset();
    task.restart();
    gauges.restart(launchPoint, gauges.time());
    gauges.update(readFlight(built.glider(), built.world(), built.terrain()), 0.0);
    path.clear();
    path.add(static_cast<float>(launchPoint.x), static_cast<float>(launchPoint.y));
}

void LiveSession::describe(InstrumentPanel::Figures& figures) const {
    figures.lateral = built.lateralShift();
    figures.fore = built.foreShift();
    figures.recordingProblem = log.problem();
    figures.task = task.figures();
}

int LiveSession::close() {
    if (!log.isOpen()) {
        return 0;
    }
    // The sail's last shape, for a replay's last frames; a world that left
    // the numbers has nothing to show.
    if (!stopped.ended) {
        log.recordSail(step, built.world(), true);
    }
    if (task.hasTask()) {
        std::fprintf(stderr, "glider-pilot: %s\n", task.result().c_str());
    }
    const std::string reason = log.close();
    if (!reason.empty()) {
        std::fprintf(stderr, "glider-pilot: the flight was not saved whole: %s; what was written is in %s and %s\n",
                     reason.c_str(), log.igcPath().c_str(), log.csvPath().c_str());
        return kFlightNotSavedWhole;
    }
    std::fprintf(stderr, "glider-pilot: flight saved as %s and %s\n", log.igcPath().c_str(), log.csvPath().c_str());
    return 0;
}
