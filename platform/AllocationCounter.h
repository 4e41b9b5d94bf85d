#pragma once

#include <cstddef>

// Every allocation of the program that links this (C++ and, handed these
// functions, ImGui) since it started: it replaces the global allocation
// functions, so a steady flight can show that it allocates nothing per step
// or per frame. Linked as an object library, never through a static archive,
// so the replacements are always the ones in use.
long allocationCount();
void* countedAllocation(std::size_t size, void* unused);
void countedRelease(void* block, void* unused);
