#include "pilot/SimulationClock.h"

#include <algorithm>

int SimulationClock::advance(std::int64_t wallNanoseconds) {
    if (paused) {
        // Time spent paused is not made up afterwards.
        account = 0;
        if (singleStep) {
            singleStep = false;
            ++steps;
            return 1;
        }
        return 0;
    }
    singleStep = false;
    const std::int64_t wall = std::max<std::int64_t>(wallNanoseconds, 0);
    const std::int64_t counted = std::min(wall, kMaxFrameNanoseconds);
    dropped += wall - counted;
    account += counted * kSpeedQuarters[speed];
    const std::int64_t stepCost = kStepNanoseconds * 4;
    const std::int64_t due = account / stepCost;
    account -= due * stepCost;
    steps += due;
    return static_cast<int>(due);
}

void SimulationClock::faster() { setSpeedIndex(speed + 1); }

void SimulationClock::slower() { setSpeedIndex(speed - 1); }

void SimulationClock::setSpeedIndex(int index) {
    const int clamped = std::clamp(index, 0, kSpeedCount - 1);
    if (clamped != speed) {
        // Time owed at the old speed would be spent at the new one: start clean.
        account = 0;
        speed = clamped;
    }
}
