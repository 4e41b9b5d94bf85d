#pragma once

#include <cstdint>

// A small, well-mixed 64-bit generator (Steele, Lea and Flood's SplitMix64)
// written out here so that a seed gives the same numbers with every compiler
// and standard library: the standard distributions are not portable.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state(seed) {}

    std::uint64_t next() {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1): the top 53 bits, exactly representable.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state;
};
