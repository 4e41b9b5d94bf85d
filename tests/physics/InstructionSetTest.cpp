#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "physics/InstructionSet.h"

namespace {

constexpr InstructionSet kBaseline = InstructionSet::Baseline;
constexpr InstructionSet kAvx2 = InstructionSet::Avx2;
constexpr InstructionSet kAvx512 = InstructionSet::Avx512;

} // namespace

// GLIDER_SIM_ISA against what a processor has: a level it has runs, one it
// lacks gives the best it has, unset gives the best; anything else gives the
// best too, with one line that names the variable and the value.
TEST(InstructionSet, TheEnvironmentsLevelIsCappedAtTheProcessorsAndAnUnknownOneIsReported) {
    struct Case {
        const char* requested;
        InstructionSet available;
        InstructionSet expected;
        bool warns;
    };
    const Case cases[] = {
        {nullptr, kAvx512, kAvx512, false},  {"", kAvx2, kAvx2, false},
        {"baseline", kAvx512, kBaseline, false}, {"avx2", kAvx512, kAvx2, false},
        {"avx512", kAvx512, kAvx512, false}, {"avx512", kAvx2, kAvx2, false},
        {"avx512", kBaseline, kBaseline, false}, {"AVX2", kAvx512, kAvx2, false},
        {"avx3", kAvx2, kAvx2, true},        {"avx2 ", kAvx512, kAvx512, true},
        {"sse2", kBaseline, kBaseline, true},
    };
    for (const Case& c : cases) {
        const std::string requested = c.requested != nullptr ? c.requested : "(unset)";
        SCOPED_TRACE(requested + " on " + instructionSetName(c.available));
        const InstructionSetChoice choice = chooseInstructionSet(c.requested, c.available);
        EXPECT_EQ(choice.level, c.expected);
        if (c.warns) {
            EXPECT_NE(choice.warning.find("GLIDER_SIM_ISA"), std::string::npos) << choice.warning;
            EXPECT_NE(choice.warning.find("'" + requested + "'"), std::string::npos) << choice.warning;
            EXPECT_EQ(choice.warning.find('\n'), std::string::npos) << choice.warning;
        } else {
            EXPECT_EQ(choice.warning, "");
        }
    }
}

// What this process runs is what its environment asks for, capped: the
// tests that pin bits are run with each level forced this way.
TEST(InstructionSet, TheActiveLevelIsTheEnvironmentsChoiceOnThisProcessor) {
    EXPECT_EQ(activeInstructionSet(),
              chooseInstructionSet(std::getenv("GLIDER_SIM_ISA"), processorInstructionSet()).level);
}
