#pragma once

#include <cfenv>

// Turns invalid operations, divisions by zero and overflows into SIGFPE for
// the guard's lifetime, so a NaN or infinity born in the physics fails the
// test loudly at its source instead of propagating quietly.
class FloatingPointTraps {
public:
    FloatingPointTraps() : previous(fegetexcept()) {
        feclearexcept(FE_ALL_EXCEPT);
        feenableexcept(kTrapped);
    }
    ~FloatingPointTraps() {
        fedisableexcept(FE_ALL_EXCEPT);
        feenableexcept(previous);
    }
    FloatingPointTraps(const FloatingPointTraps&) = delete;
    FloatingPointTraps& operator=(const FloatingPointTraps&) = delete;

private:
    static constexpr int kTrapped = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
    int previous;
};
