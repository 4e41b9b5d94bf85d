#pragma once

#include <cstdint>
#include <vector>

#include "physics/Vector3D.h"

class HeightField;

// The terrain cut into square chunks of kCells × kCells cells, each drawn at
// the coarsest level of detail its distance allows. Every chunk has the same
// vertex layout, so one set of index lists (one per level) serves them all:
//
//   vertices 0 .. kGridVertices-1      the (kCells+1)² grid, i + j·(kCells+1)
//   then 4 × (kCells+1) skirt vertices copies of the borders (bottom, top,
//                                       left, right edge), drawn lowered so
//                                       the seams between levels show no sky.
//
// This is the drawing's arithmetic without any GL, so it can be checked.
class TerrainChunks {
public:
    static constexpr int kCells = 64;
    static constexpr int kSide = kCells + 1;
    static constexpr int kGridVertices = kSide * kSide;
    static constexpr int kChunkVertices = kGridVertices + 4 * kSide;
    static constexpr int kLevels = 7; // strides 1, 2, 4, ... 64

    struct Chunk {
        int column = 0;   // first sample along x
        int row = 0;      // first sample along y
        Vector3D lowest;  // (unit: m) bounding box corners
        Vector3D highest; // (unit: m)
    };

    explicit TerrainChunks(const HeightField& field);

    int chunkCount() const { return static_cast<int>(chunks.size()); }
    const Chunk& chunk(int k) const { return chunks[static_cast<std::size_t>(k)]; }
    int chunksAcross() const { return across; }
    int chunksAlong() const { return along; }

    // Grid sample of local vertex (i, j) of chunk k, clamped into the field:
    // chunks past the far border repeat its last sample (zero-area cells).
    int sampleColumn(int k, int i) const;
    int sampleRow(int k, int j) const;

    // Level whose triangles are about a pixel's worth at `distance`: full
    // detail within kDetailDistance chunk widths, then one level coarser for
    // each doubling of the distance.
    static constexpr double kDetailChunks = 2.0;
    int levelFor(double distance) const;
    // (unit: m) from `eye` to the nearest point of chunk k's box.
    double distanceTo(int k, const Vector3D& eye) const;

    // Triangle indices of each level, with its skirts.
    static std::vector<std::uint16_t> indicesOf(int level);

private:
    const HeightField& field;
    int across = 0;
    int along = 0;
    double chunkWidth = 0.0; // (unit: m)
    std::vector<Chunk> chunks;
};
