#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <utility>

#include "physics/InstructionSet.h"

// Registers `run` as `name/LEVEL` for each instruction set from the
// baseline up to the active one (GLIDER_SIM_ISA, capped at the processor's),
// so one run compares the levels side by side. Each runs with its level
// active, so whatever it makes dispatches to that level, and is labelled
// with the level that really ran: `isa=avx2`.
template <typename Run>
bool registerAtEveryLevel(const char* name, Run run) {
    const InstructionSet highest = activeInstructionSet();
    for (const InstructionSet level : {InstructionSet::Baseline, InstructionSet::Avx2, InstructionSet::Avx512}) {
        if (level > highest) {
            break;
        }
        const std::string full = std::string(name) + "/" + instructionSetName(level);
        benchmark::RegisterBenchmark(full.c_str(), [run, level, highest](benchmark::State& state) {
            const InstructionSet ran = setActiveInstructionSet(level);
            state.SetLabel(std::string("isa=") + instructionSetName(ran));
            run(state);
            setActiveInstructionSet(highest);
        });
    }
    return true;
}

// At namespace scope: `GLIDER_BENCHMARK_AT_EVERY_LEVEL(BM_WorldStep);`
#define GLIDER_BENCHMARK_AT_EVERY_LEVEL(function) \
    [[maybe_unused]] const bool function##Registered = registerAtEveryLevel(#function, function)
