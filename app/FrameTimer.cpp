#include "app/FrameTimer.h"

FrameTimer::FrameTimer(int stepsPerSecond_, int maxStepsPerCall_, double timeScale_, TickSource tick_)
    : stepsPerSecond(stepsPerSecond_),
      maxStepsPerCall(maxStepsPerCall_),
      startTick(tick_()),
      stepsDone(0),
      timeScale(timeScale_),
      tick(tick_) {}

void FrameTimer::restart() {
    stepsDone = 0;
    startTick = tick();
}

int FrameTimer::stepsDue() {
    const std::uint32_t now = tick();
    // Unsigned subtraction: right across the tick counter's wrap.
    const std::uint32_t elapsed = now - startTick;
    // 64 bits: in 32 the product would overflow after about six hours at 100
    // steps per second and freeze the simulation. Exact in double as well.
    const std::int64_t scaledElapsed = static_cast<std::int64_t>(elapsed) * stepsPerSecond;
    const std::int64_t target =
        static_cast<std::int64_t>(static_cast<double>(scaledElapsed) / (timeScale * 1000.0));
    std::int64_t due = target - stepsDone;
    if (due > maxStepsPerCall) {
        // Drop the surplus: move the schedule forward by its wall time, in
        // whole milliseconds.
        const double dropped = static_cast<double>(due - maxStepsPerCall) * timeScale * 1000.0 / stepsPerSecond;
        startTick += static_cast<std::uint32_t>(static_cast<std::int64_t>(dropped));
        due = maxStepsPerCall;
    }
    stepsDone += static_cast<int>(due);
    return static_cast<int>(due);
}
