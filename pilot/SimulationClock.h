#pragma once

#include <cstdint>

#include "physics/SharedConstants.h"

// Decides how many fixed 0.01 s steps a frame runs. Wall time, scaled by the
// chosen speed, fills an account in exact integer units; each step spends one
// step's worth. A frame never runs more than half a second of wall time's
// worth of steps: what a slow or stalled frame leaves beyond that is dropped,
// so a slow machine flies slower instead of spiralling into ever longer
// catch-up frames.
class SimulationClock {
public:
    // Speeds offered, in quarters of real time: 0.25x, 0.5x, 1x, 2x, 4x.
    static constexpr int kSpeedQuarters[] = {1, 2, 4, 8, 16};
    static constexpr int kSpeedCount = 5;
    static constexpr std::int64_t kStepNanoseconds = 1'000'000'000 / kStepsPerSecond; // (unit: ns) one step of simulated time
    static constexpr std::int64_t kMaxFrameNanoseconds = 500'000'000; // (unit: ns) wall time one frame may make up

    // Steps due for `wallNanoseconds` of wall time since the last frame.
    int advance(std::int64_t wallNanoseconds);

    void togglePause() { paused = !paused; }
    bool isPaused() const { return paused; }
    // While paused, the next advance runs exactly one step.
    void requestSingleStep() { singleStep = paused; }

    void faster();
    void slower();
    void setSpeedIndex(int index);
    int speedIndex() const { return speed; }
    double speedFactor() const { return kSpeedQuarters[speed] / 4.0; }

    std::int64_t stepsRun() const { return steps; }
    // (unit: ns) wall time whose steps were dropped because frames were too slow.
    std::int64_t droppedNanoseconds() const { return dropped; }

private:
    // Scaled wall time not yet spent on steps, in quarter-nanoseconds of
    // simulated time: exact at every speed, so nothing drifts.
    std::int64_t account = 0;
    std::int64_t steps = 0;
    std::int64_t dropped = 0;
    int speed = 2; // 1x
    bool paused = false;
    bool singleStep = false;
};
