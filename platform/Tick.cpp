#include "platform/Tick.h"

#include <ctime>

std::uint32_t currentTick() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Reduced modulo 2^32 on purpose: callers only subtract two readings.
    const std::uint64_t milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                       static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);
}
