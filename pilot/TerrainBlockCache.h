#pragma once

#include <cstdint>
#include <vector>

// Which of the terrain chunks' vertex blocks (TerrainChunks: one a level of
// detail) are on the GPU. Working out a vertex's lit colour costs more than
// drawing it, and a big terrain has tens of millions of them, most never
// seen near: the blocks are filled when first drawn, nearest first, so the
// first frame waits only for what it shows. Only the coarsest level is
// filled for every chunk at the start. After the first frame a bounded
// number of vertices is filled a frame, so flying onto new ground never
// stalls a frame; a chunk whose block must wait is drawn meanwhile at the
// finest coarser level already there (the skirts hide the seams as ever).
class TerrainBlockCache {
public:
    // (unit: vertices) filled a frame after the first: about 4 ms of work.
    static constexpr long kVerticesPerFrame = 60000;

    explicit TerrainBlockCache(int chunkCount);

    // A new frame and its budget; the first frame's is unbounded.
    void beginFrame();

    struct Choice {
        int level = 0;     // to draw at
        bool fill = false; // its block is to be filled first
    };
    // For chunk k, whose distance asks for level `wanted`; a fill chosen
    // counts as done.
    Choice choose(int chunk, int wanted);

    bool filled(int chunk, int level) const;

private:
    std::vector<std::uint8_t> levels; // per chunk, bit L: level L's block filled
    long budget = -1;                 // (unit: vertices) left this frame; -1 before the first
    bool first = true;
};
