#pragma once

#include <cstdint>

#include "platform/Tick.h"

// Reads the millisecond tick; tests hand in their own clock.
using TickSource = std::uint32_t (*)();

// Wall-clock pacing of fixed simulation steps. Asked once per idle call, it
// answers how many steps have fallen due, at most `maxStepsPerCall`; time for
// any steps beyond that is dropped for good (the schedule moves forward), so a
// slow or stalled machine runs the simulation slower instead of in ever longer
// catch-up bursts.
struct FrameTimer {
    int stepsPerSecond;      // fixed steps per simulated second
    int maxStepsPerCall;     // the most steps one stepsDue call grants
    std::uint32_t startTick; // (unit: milliseconds) tick the schedule counts from
    int stepsDone;           // steps granted since startTick's schedule began
    double timeScale;        // wall-clock seconds per simulated second
    TickSource tick;

    FrameTimer(int stepsPerSecond, int maxStepsPerCall, double timeScale, TickSource tick = currentTick);

    // Starts a new schedule at the current tick; the parameters stay.
    void restart();
    // Steps to run now: normally 0 to maxStepsPerCall.
    int stepsDue();
};
