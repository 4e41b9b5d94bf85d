#include <benchmark/benchmark.h>

#include <cmath>

#include "bench/EveryLevel.h"

namespace {

// The classic step's relaxation does, per constraint and pass, one square
// root and three divisions: 55 passes of 198 constraints make 10,890 square
// roots and 32,670 divisions. This is that arithmetic alone, on values that
// live in registers, 32 independent lanes in the vectors of each instruction
// set: the floor under any bit-exact classic step at that level on this
// machine.
constexpr int kLanes = 32;
constexpr int kRounds = 340;   // 340 rounds of 32 lanes ...
constexpr int kTailLanes = 10; // ... and 10 more make 10,890

inline __attribute__((always_inline)) double arithmeticFloor(double seed) {
    double q[kLanes];
    for (int l = 0; l < kLanes; ++l) {
        q[l] = seed + 0.01 * l;
    }
    for (int round = 0; round < kRounds; ++round) {
        for (int l = 0; l < kLanes; ++l) {
            const double len = std::sqrt(q[l]);
            const double k = (len - 0.5) / (len * 3.0);
            const double a = k / 0.3;
            const double b = k / 45.0;
            q[l] = 1.0 + a * b; // the next pass depends on this one, as the relaxation's passes do
        }
    }
    double sum = 0.0;
    for (int l = 0; l < kTailLanes; ++l) {
        const double len = std::sqrt(q[l]);
        const double k = (len - 0.5) / (len * 3.0);
        sum += k / 0.3 + k / 45.0;
    }
    for (int l = 0; l < kLanes; ++l) {
        sum += q[l];
    }
    return sum;
}

double arithmeticFloorBaseline(double seed) { return arithmeticFloor(seed); }
#if defined(__x86_64__)
__attribute__((target("avx2"))) double arithmeticFloorAvx2(double seed) { return arithmeticFloor(seed); }
__attribute__((target("avx512f,avx512vl"))) double arithmeticFloorAvx512(double seed) {
    return arithmeticFloor(seed);
}
#endif

void BM_ArithmeticFloor(benchmark::State& state) {
    double (*floor)(double) = arithmeticFloorBaseline;
#if defined(__x86_64__)
    switch (activeInstructionSet()) {
    case InstructionSet::Avx512:
        floor = arithmeticFloorAvx512;
        break;
    case InstructionSet::Avx2:
        floor = arithmeticFloorAvx2;
        break;
    case InstructionSet::Baseline:
        break;
    }
#endif
    double seed = 2.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(seed);
        benchmark::DoNotOptimize(floor(seed));
    }
    state.counters["sqrt"] = kLanes * kRounds + kTailLanes;
    state.counters["div"] = 3 * (kLanes * kRounds + kTailLanes);
}
GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_ArithmeticFloor);

} // namespace
