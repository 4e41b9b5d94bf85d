// The pilot's clock: fixed steps paced by the wall clock at the chosen speed,
// without drift, without catch-up bursts, stopped while paused.
#include <gtest/gtest.h>

#include <cstdint>

#include "pilot/SimulationClock.h"

namespace {

constexpr std::int64_t kMs = 1'000'000; // (unit: ns)

// Runs `frames` frames of `frameNs` each; returns the steps granted.
std::int64_t run(SimulationClock& clock, int frames, std::int64_t frameNs) {
    std::int64_t steps = 0;
    for (int i = 0; i < frames; ++i) {
        steps += clock.advance(frameNs);
    }
    return steps;
}

} // namespace

TEST(SimulationClock, KeepsWallTimeExactlyWhateverTheFrameLength) {
    // Frame lengths that do not divide the 10 ms step: 16.7 ms (60 Hz),
    // 33.3 ms (30 Hz) and an odd 7.3 ms. Ten wall seconds are 1000 steps.
    for (const std::int64_t frame : {16'666'667LL, 33'333'333LL, 7'300'000LL}) {
        SimulationClock clock;
        const int frames = static_cast<int>(10'000 * kMs / frame);
        const std::int64_t leftover = 10'000 * kMs - frames * frame;
        const std::int64_t steps = run(clock, frames, frame) + clock.advance(leftover);
        EXPECT_EQ(steps, 1000) << "frame " << frame << " ns";
        EXPECT_EQ(clock.droppedNanoseconds(), 0);
    }
}

TEST(SimulationClock, SpeedsScaleTheStepsPerWallSecond) {
    const int expected[SimulationClock::kSpeedCount] = {25, 50, 100, 200, 400};
    for (int speed = 0; speed < SimulationClock::kSpeedCount; ++speed) {
        SimulationClock clock;
        clock.setSpeedIndex(speed);
        EXPECT_EQ(run(clock, 50, 20 * kMs), expected[speed]);
    }
    SimulationClock clock;
    for (int i = 0; i < 10; ++i) {
        clock.faster();
    }
    EXPECT_EQ(clock.speedFactor(), 4.0);
    for (int i = 0; i < 10; ++i) {
        clock.slower();
    }
    EXPECT_EQ(clock.speedFactor(), 0.25);
}

TEST(SimulationClock, PauseStopsTheClockAndTimePausedIsNotMadeUp) {
    SimulationClock clock;
    EXPECT_EQ(run(clock, 10, 10 * kMs), 10);
    clock.togglePause();
    EXPECT_EQ(run(clock, 100, 10 * kMs), 0);
    clock.togglePause();
    EXPECT_EQ(clock.advance(10 * kMs), 1);
    EXPECT_EQ(clock.stepsRun(), 11);
}

TEST(SimulationClock, SingleStepRunsExactlyOneStepAndOnlyWhilePaused) {
    SimulationClock clock;
    clock.requestSingleStep(); // running: ignored
    EXPECT_EQ(clock.advance(5 * kMs), 0);
    clock.togglePause();
    clock.requestSingleStep();
    EXPECT_EQ(clock.advance(500 * kMs), 1);
    EXPECT_EQ(clock.advance(500 * kMs), 0);
}

TEST(SimulationClock, StallRunsHalfASecondAndDropsTheRest) {
    SimulationClock clock;
    clock.setSpeedIndex(4); // 4x: a stall would otherwise ask for 800 steps
    EXPECT_EQ(clock.advance(2'000 * kMs), 200);
    EXPECT_EQ(clock.droppedNanoseconds(), 1'500 * kMs);
    // Afterwards the pace is normal again: no burst of catch-up frames.
    EXPECT_EQ(clock.advance(10 * kMs), 4);
    EXPECT_EQ(clock.advance(-5 * kMs), 0); // a clock stepping backwards grants nothing
}
