#pragma once

#include <string>

// The vector instruction sets the numeric core's hot loops are built for,
// narrowest first. Every level computes the same bits; they differ only in
// speed. Each loop that has versions for several levels picks one from
// `activeInstructionSet()` when the object that runs it is made, so the
// choice costs one indirect call, not a test per value.
enum class InstructionSet {
    Baseline, // x86-64 as every such processor has it (SSE2)
    Avx2,     // 256-bit vectors
    Avx512,   // 512-bit vectors (AVX-512 F and VL)
};

// "baseline", "avx2", "avx512": the names GLIDER_SIM_ISA takes.
const char* instructionSetName(InstructionSet level);

// The widest level this processor, and the operating system's saving of its
// registers, can run.
InstructionSet processorInstructionSet();

// GLIDER_SIM_ISA's value (null when unset) read against what the processor
// has. A level the processor lacks gives the best it has. Unset or empty
// gives the best too; so does a value that names no level, since a typing
// slip should neither stop a program nor slow it (the bits are the same at
// every level), and then `warning` is a one-line message saying so.
struct InstructionSetChoice {
    InstructionSet level;
    std::string warning;
};
InstructionSetChoice chooseInstructionSet(const char* requested, InstructionSet available);

// The level that loops made from now on run: GLIDER_SIM_ISA chosen against
// this processor, read once per process (any warning goes to stderr then).
InstructionSet activeInstructionSet();
// Benchmarks compare the levels within one run: sets the active level for
// what is made afterwards, capped at the processor's, and returns the level
// set.
InstructionSet setActiveInstructionSet(InstructionSet level);
