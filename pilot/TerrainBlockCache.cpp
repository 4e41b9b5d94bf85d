#include "pilot/TerrainBlockCache.h"

#include <algorithm>

#include "pilot/TerrainChunks.h"

static_assert(TerrainChunks::kLevels <= 8, "a chunk's filled levels are the bits of one byte");

TerrainBlockCache::TerrainBlockCache(int chunkCount)
    : levels(static_cast<std::size_t>(std::max(chunkCount, 0)),
             static_cast<std::uint8_t>(1u << (TerrainChunks::kLevels - 1))) {}

void TerrainBlockCache::beginFrame() {
    budget = first ? -1 : kVerticesPerFrame;
    first = false;
}

bool TerrainBlockCache::filled(int chunk, int level) const {
    return (levels[static_cast<std::size_t>(chunk)] >> level & 1u) != 0;
}

TerrainBlockCache::Choice TerrainBlockCache::choose(int chunk, int wanted) {
    const int level = std::clamp(wanted, 0, TerrainChunks::kLevels - 1);
    if (filled(chunk, level)) {
        return {level, false};
    }
    const long cost = TerrainChunks::verticesOf(level);
    if (budget < 0 || budget >= cost) {
        if (budget >= 0) {
            budget -= cost;
        }
        levels[static_cast<std::size_t>(chunk)] |= static_cast<std::uint8_t>(1u << level);
        return {level, true};
    }
    int coarser = level + 1;
    while (!filled(chunk, coarser)) {
        ++coarser; // the coarsest is always filled
    }
    return {coarser, false};
}
