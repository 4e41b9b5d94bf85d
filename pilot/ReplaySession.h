#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pilot/PilotSession.h"
#include "pilot/ReplayTrack.h"
#include "recording/SailTrack.h"

// A recorded flight played back, scrubbed with the arrows, Home, End and
// the slider. It writes nothing. What lies beside the recording's CSV
// decides what is shown:
// - its setup (NAME.setup): the world is built from it, and the command
//   line may not name another; without one, from the command line as given;
// - its sail (NAME.sail): the glider drawn in the recorded shapes, between
//   frames by interpolation, so the sail flexes as it did; without one (or
//   past its frames), the start glider carried rigidly along the track.
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

    // The sail at the step shown, or the built glider when there is none.
    void poseSail();

    ReplayTrack replay;
    SailTrack sail;
    std::vector<Vector3D> sailPose;  // sized once when opened
    std::vector<Vector3D> builtPose; // the world's particles as built
    bool posed = false;              // the world holds a recorded shape
    std::int64_t replayStep = 0; // wide: a step near the largest int plus a scrub must not overflow
    double replayHeading = 180.0; // (unit: degrees) kept while the recorded glider stands still
    Vector3D builtPilot;          // where the pilot stood when the glider was built
};
