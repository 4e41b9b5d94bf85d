#pragma once

#include <cstdint>

// Milliseconds of a monotonic clock as a 32-bit unsigned count that wraps
// after 2^32 ms (about 49.7 days). Only differences between two readings mean
// anything; unsigned subtraction keeps them right across the wrap.
std::uint32_t currentTick();
