#pragma once

#include <cstdint>
#include <vector>

#include "physics/Vector3D.h"

class HeightField;

// The terrain cut into square chunks of kCells × kCells cells, each drawn at
// the coarsest level of detail its distance allows. Every chunk holds one
// block of vertices per level, so a distant chunk sends the GPU only the few
// vertices it draws; every chunk's blocks have the same layout, so one set
// of index lists (one per level) serves them all. A level with stride s
// (1, 2, 4, ...) has side = kCells / s + 1 vertices a side:
//
//   vertices 0 .. side²-1          the grid, i + j·side, every s-th sample
//   then 4 × side skirt vertices   copies of the borders (bottom, top, left,
//                                  right edge), lowered so the seams between
//                                  levels show no sky.
//
// A level's triangles are listed part by part: the chunk cut into kParts ×
// kParts squares, each part's triangles together (where the level has
// cells enough), then the skirts'. A near chunk can then be drawn part by
// part, the parts out of view left out and only the nearest grained.
//
// This is the drawing's arithmetic without any GL, so it can be checked.
class TerrainChunks {
public:
    // Big chunks keep the count of draws down on the large terrains (each
    // costs the software renderer as much as thousands of triangles).
    static constexpr int kCells = 128;
    static constexpr int kLevels = 8; // strides 1, 2, 4, ... 128
    static constexpr int kParts = 4;  // parts along each side

    static constexpr int strideOf(int level) { return 1 << level; }
    static constexpr int sideOf(int level) { return kCells / strideOf(level) + 1; }
    static constexpr int gridVerticesOf(int level) { return sideOf(level) * sideOf(level); }
    static constexpr int verticesOf(int level) { return gridVerticesOf(level) + 4 * sideOf(level); }
    // Where each level's block starts within a chunk's vertices.
    static constexpr int firstVertexOf(int level) { return level == 0 ? 0 : firstVertexOf(level - 1) + verticesOf(level - 1); }
    static constexpr int chunkVertexCount() { return firstVertexOf(kLevels); }

    struct Chunk {
        int column = 0;   // first sample along x
        int row = 0;      // first sample along y
        Vector3D lowest;  // (unit: m) bounding box corners
        Vector3D highest; // (unit: m)
        // (unit: m) how far below its border the skirt hangs at each level:
        // as far as the border drawn at that level may stand above a
        // neighbour's drawn at any level. Only as deep as the ground asks,
        // since every skirt pixel costs, hidden or not.
        double skirt[kLevels] = {};
        // (unit: m) each part's bounding box, part pi + pj·kParts
        Vector3D partLowest[kParts * kParts];
        Vector3D partHighest[kParts * kParts];
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

    // Level for a chunk whose nearest point is `distance` away: full detail
    // within kDetailCells cells, then one level coarser for each doubling of
    // the distance, so a cell never shrinks much below twenty pixels.
    static constexpr double kDetailCells = 32.0;
    int levelFor(double distance) const;
    // (unit: m) from `eye` to the nearest point of chunk k's box.
    double distanceTo(int k, const Vector3D& eye) const;

    // Triangle indices of each level, with its skirts, numbered within the
    // level's own block.
    static std::vector<std::uint16_t> indicesOf(int level);
    // Whether a level lists its triangles part by part, and how many indices
    // each part has (the skirts' follow the last part).
    static constexpr bool splitsIntoParts(int level) { return (kCells >> level) % kParts == 0; }
    static constexpr int partIndexCount(int level) {
        return 6 * ((kCells >> level) / kParts) * ((kCells >> level) / kParts);
    }
    // (unit: m) from `eye` to the nearest point of part p of chunk k.
    double distanceToPart(int k, int p, const Vector3D& eye) const;

private:
    void measureSkirts(int k);

    const HeightField& field;
    int across = 0;
    int along = 0;
    double detailDistance = 0.0; // (unit: m)
    std::vector<Chunk> chunks;
};
