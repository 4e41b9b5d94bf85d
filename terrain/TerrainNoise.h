#pragma once

#include <cstdint>

// The generated terrain's noise source: a 32-bit linear congruential
// generator yielding 15-bit values (0 to 32767). A plain value, so each
// sequence is reproducible from its state. Every sequence starts at 1; the
// terrain generator starts one per terrain unless handed one to continue.
struct TerrainNoise {
    std::uint32_t state = 1;

    int next() {
        state = state * 214013u + 2531011u; // wraps modulo 2^32
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
};
