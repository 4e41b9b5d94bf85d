#include "physics/InstructionSet.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace {

constexpr InstructionSet kLevels[] = {InstructionSet::Baseline, InstructionSet::Avx2, InstructionSet::Avx512};

std::atomic<InstructionSet>& active() {
    static std::atomic<InstructionSet> level{[] {
        const InstructionSetChoice choice =
            chooseInstructionSet(std::getenv("GLIDER_SIM_ISA"), processorInstructionSet());
        if (!choice.warning.empty()) {
            std::fprintf(stderr, "%s\n", choice.warning.c_str());
        }
        return choice.level;
    }()};
    return level;
}

} // namespace

const char* instructionSetName(InstructionSet level) {
    switch (level) {
    case InstructionSet::Avx512:
        return "avx512";
    case InstructionSet::Avx2:
        return "avx2";
    case InstructionSet::Baseline:
        break;
    }
    return "baseline";
}

InstructionSet processorInstructionSet() {
#if defined(__x86_64__)
    // Objects that dispatch may be made before main, when the processor's
    // features are not yet read unless asked for. The library's answer
    // includes whether the operating system saves the wide registers.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")) {
        return InstructionSet::Avx512;
    }
    if (__builtin_cpu_supports("avx2")) {
        return InstructionSet::Avx2;
    }
#endif
    return InstructionSet::Baseline;
}

InstructionSetChoice chooseInstructionSet(const char* requested, InstructionSet available) {
    if (requested == nullptr || *requested == '\0') {
        return {available, {}};
    }
    for (const InstructionSet level : kLevels) {
        if (strcasecmp(requested, instructionSetName(level)) == 0) {
            return {std::min(level, available), {}};
        }
    }
    // Quoted as given, but on one line whatever it holds.
    std::string shown(requested);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            c = '?';
        }
    }
    return {available, "GLIDER_SIM_ISA: '" + shown +
                           "' is not avx512, avx2 or baseline; running the processor's best, " +
                           instructionSetName(available)};
}

InstructionSet activeInstructionSet() { return active().load(std::memory_order_relaxed); }

InstructionSet setActiveInstructionSet(InstructionSet level) {
    const InstructionSet capped = std::min(level, processorInstructionSet());
    active().store(capped, std::memory_order_relaxed);
    return capped;
}
