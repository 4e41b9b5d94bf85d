#pragma once

#include <cstdint>
#include <string>

#include "pilot/PilotSession.h"
#include "pilot/ReplayTrack.h"

// A recorded flight played back: the start glider carried along the
// recorded positions, scrubbed with the arrows, Home, End and the slider.
// It writes nothing.
class ReplaySession : public PilotSession {
public:
    std::string open(const PilotOptions& options) override;
    std::string begin() override;
    bool handle(const SDL_Event& event) override;
    void advance(int steps, SimulationClock& clock) override;
    void restart() override { show(replay.firstStep(), true); }
    void scrubTo(std::int64_t step) override { show(step, true); }
    glm::dmat4 gliderPlacement() const override;
    void describe(InstrumentPanel::Figures& figures) const override;
    int close() override { return 0; }

private:
    // Shows the recording at `step` (clamped to it); `jump` redraws the
    // track up to there and restarts the averaging instruments.
    void show(std::int64_t step, bool jump);

    ReplayTrack replay;
    std::int64_t replayStep = 0; // wide: a step near the largest int plus a scrub must not overflow
    double replayHeading = 180.0; // (unit: degrees) kept while the recorded glider stands still
    Vector3D builtPilot;          // where the pilot stood when the glider was built
};
