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
        const char* quoted; // as the message quotes it; null: no message
    };
    const Case cases[] = {
        {nullptr, kAvx512, kAvx512, nullptr},     {"", kAvx2, kAvx2, nullptr},
        {"baseline", kAvx512, kBaseline, nullptr}, {"avx2", kAvx512, kAvx2, nullptr},
        {"avx512", kAvx512, kAvx512, nullptr},     {"avx512", kAvx2, kAvx2, nullptr},
        {"avx512", kBaseline, kBaseline, nullptr}, {"AVX2", kAvx512, kAvx2, nullptr},
        {"avx3", kAvx2, kAvx2, "'avx3'"},          {"avx2 ", kAvx512, kAvx512, "'avx2 '"},
        {"sse2", kBaseline, kBaseline, "'sse2'"},  {"avx\n2", kAvx2, kAvx2, "'avx?2'"},
    };
    for (const Case& c : cases) {
        const std::string requested = c.requested != nullptr ? c.requested : "(unset)";
        SCOPED_TRACE(requested + " on " + instructionSetName(c.available));
        const InstructionSetChoice choice = chooseInstructionSet(c.requested, c.available);
        EXPECT_EQ(choice.level, c.expected);
        if (c.quoted != nullptr) {
            EXPECT_NE(choice.warning.find("GLIDER_SIM_ISA"), std::string::npos) << choice.warning;
            EXPECT_NE(choice.warning.find(c.quoted), std::string::npos) << choice.warning;
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
