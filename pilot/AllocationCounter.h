#pragma once

#include <cstddef>

// C++ and ImGui allocations of the whole program since it started, counted
// so a steady flight can show that it allocates nothing per frame.
long allocationCount();
void* countedAllocation(std::size_t size, void* unused);
void countedRelease(void* block, void* unused);
