// The terrain's chunks and levels of detail: every cell drawn once, nothing
// indexed outside a chunk, coarser with distance; blocks filled as drawn.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "pilot/TerrainBlockCache.h"
#include "pilot/TerrainChunks.h"
#include "terrain/HeightField.h"

namespace {

// Triangle area in cell units, from a level's grid indices (skirts excluded).
double cellArea(const std::vector<std::uint16_t>& indices, int level) {
    const int side = TerrainChunks::sideOf(level);
    const int stride = TerrainChunks::strideOf(level);
    double area = 0.0;
    for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
        int i[3];
        int j[3];
        bool skirt = false;
        for (int k = 0; k < 3; ++k) {
            const int v = indices[t + static_cast<std::size_t>(k)];
            skirt = skirt || v >= TerrainChunks::gridVerticesOf(level);
            i[k] = v % side * stride;
            j[k] = v / side * stride;
        }
        if (!skirt) {
            // Counter-clockwise seen from above: positive.
            area += 0.5 * ((i[1] - i[0]) * (j[2] - j[0]) - (i[2] - i[0]) * (j[1] - j[0]));
        }
    }
    return area;
}

} // namespace

TEST(TerrainChunks, EveryLevelCoversTheWholeChunkFacingUpWithinItsVertices) {
    for (int level = 0; level < TerrainChunks::kLevels; ++level) {
        const std::vector<std::uint16_t> indices = TerrainChunks::indicesOf(level);
        const int cells = TerrainChunks::kCells >> level;
        EXPECT_EQ(indices.size(), static_cast<std::size_t>(6 * cells * cells + 4 * 6 * cells)) << level;
        EXPECT_DOUBLE_EQ(cellArea(indices, level), TerrainChunks::kCells * TerrainChunks::kCells) << level;
        for (const std::uint16_t v : indices) {
            ASSERT_LT(v, TerrainChunks::verticesOf(level));
        }
        // The levels' blocks follow one another without overlap.
        EXPECT_EQ(TerrainChunks::firstVertexOf(level + 1) - TerrainChunks::firstVertexOf(level),
                  TerrainChunks::verticesOf(level));
    }
}

TEST(TerrainChunks, ChunksTileTheFieldAndBoundEveryHeight) {
    // 200 x 130 samples: a partial chunk along both axes.
    HeightField field(200, 130, -100.0, -65.0, 1.0, 0.0);
    for (int j = 0; j < 130; ++j) {
        for (int i = 0; i < 200; ++i) {
            field.setSample(i, j, (i * 7 + j * 13) % 50 - 10.0);
        }
    }
    const TerrainChunks chunks(field);
    EXPECT_EQ(chunks.chunksAcross(), 2); // 199 cells
    EXPECT_EQ(chunks.chunksAlong(), 2);  // 129 cells: one more than a chunk
    std::set<std::pair<int, int>> covered;
    for (int k = 0; k < chunks.chunkCount(); ++k) {
        const TerrainChunks::Chunk& c = chunks.chunk(k);
        for (int j = 0; j <= TerrainChunks::kCells; ++j) {
            for (int i = 0; i <= TerrainChunks::kCells; ++i) {
                const int col = chunks.sampleColumn(k, i);
                const int row = chunks.sampleRow(k, j);
                ASSERT_LT(col, 200);
                ASSERT_LT(row, 130);
                covered.insert({col, row});
                const double h = field.sample(col, row);
                EXPECT_LE(c.lowest.z, h);
                EXPECT_GE(c.highest.z, h);
            }
        }
    }
    EXPECT_EQ(covered.size(), 200u * 130u);
}

TEST(TerrainChunks, DetailFallsOffWithDistance) {
    HeightField field(1025, 1025, -512.0, -512.0, 1.0, 0.0);
    const TerrainChunks chunks(field);
    EXPECT_EQ(chunks.chunkCount(), 8 * 8);
    EXPECT_EQ(chunks.levelFor(0.0), 0);
    EXPECT_EQ(chunks.levelFor(32.0), 0);
    EXPECT_EQ(chunks.levelFor(33.0), 1);
    EXPECT_EQ(chunks.levelFor(600.0), 5);
    HeightField coarse(101, 101, 0.0, 0.0, 5.0, 0.0); // detail scales with the spacing
    EXPECT_EQ(TerrainChunks(coarse).levelFor(160.0), 0);
    EXPECT_EQ(TerrainChunks(coarse).levelFor(161.0), 1);
    EXPECT_EQ(chunks.levelFor(1e9), TerrainChunks::kLevels - 1);
    int previous = 0;
    for (double d = 0.0; d < 20000.0; d += 37.0) {
        EXPECT_GE(chunks.levelFor(d), previous);
        previous = chunks.levelFor(d);
    }
    // The eye inside a chunk's box is at distance 0 from it.
    const TerrainChunks::Chunk& first = chunks.chunk(0);
    EXPECT_EQ(chunks.distanceTo(0, first.lowest), 0.0);
    EXPECT_NEAR(chunks.distanceTo(0, Vector3D(first.lowest.x - 30.0, first.lowest.y - 40.0, 0.0)), 50.0, 1e-9);
}

TEST(TerrainBlockCache, FirstFrameFillsAllItShowsLaterFramesABudgetTheRestCoarserMeanwhile) {
    constexpr int kCoarsest = TerrainChunks::kLevels - 1;
    TerrainBlockCache cache(40);
    for (int k = 0; k < 40; ++k) {
        EXPECT_TRUE(cache.filled(k, kCoarsest)) << k;
        EXPECT_FALSE(cache.filled(k, 0)) << k;
    }
    // The first frame waits for every block it draws, however many.
    cache.beginFrame();
    for (int k = 0; k < 20; ++k) {
        const TerrainBlockCache::Choice c = cache.choose(k, 0);
        EXPECT_EQ(c.level, 0);
        EXPECT_TRUE(c.fill);
    }
    EXPECT_FALSE(cache.choose(0, 0).fill); // filled once only
    EXPECT_EQ(cache.choose(30, 99).level, kCoarsest);

    // Later frames fill nearest first up to the budget; the rest wait at the
    // finest level they have, and are filled in the frames after.
    const long perBlock = TerrainChunks::verticesOf(0);
    const long fitting = TerrainBlockCache::kVerticesPerFrame / perBlock;
    ASSERT_GE(fitting, 1);
    cache.beginFrame();
    EXPECT_TRUE(cache.choose(25, 3).fill); // level 3 for chunk 25 first
    cache.beginFrame();
    int filledNow = 0;
    for (int k = 20; k < 40; ++k) {
        const TerrainBlockCache::Choice c = cache.choose(k, 0);
        filledNow += c.fill ? 1 : 0;
        EXPECT_EQ(c.level, k < 20 + fitting ? 0 : (k == 25 ? 3 : kCoarsest)) << k;
    }
    EXPECT_EQ(filledNow, fitting);
    for (int frame = 0; frame < 40; ++frame) {
        cache.beginFrame();
        for (int k = 20; k < 40; ++k) {
            cache.choose(k, 0);
        }
    }
    for (int k = 0; k < 40; ++k) {
        EXPECT_TRUE(cache.filled(k, 0)) << k;
    }
}

TEST(TerrainChunks, SkirtsCloseEverySeamBetweenLevelsAndHangNoDeeperThanTheGroundAsks) {
    // Rough ground: a steep ramp with pseudo-random bumps, three chunks in a row.
    HeightField field(3 * TerrainChunks::kCells + 1, TerrainChunks::kCells + 1, 0.0, 0.0, 2.0, 0.0);
    unsigned state = 7u;
    for (int j = 0; j < field.rowCount(); ++j) {
        for (int i = 0; i < field.columnCount(); ++i) {
            state = state * 1664525u + 1013904223u;
            field.setSample(i, j, 0.8 * i + static_cast<double>(state >> 24) / 8.0);
        }
    }
    const TerrainChunks chunks(field);
    ASSERT_EQ(chunks.chunksAcross(), 3);
    // The border two chunks share, as each draws it at its level.
    const auto drawnBorder = [&](int k, int i, int level, int t) {
        const int stride = TerrainChunks::strideOf(level);
        const int before = t / stride * stride;
        const int after = std::min(before + stride, TerrainChunks::kCells);
        const double w = after > before ? static_cast<double>(t - before) / (after - before) : 0.0;
        const auto h = [&](int j) { return field.sample(chunks.sampleColumn(k, i), chunks.sampleRow(k, j)); };
        return h(before) * (1.0 - w) + h(after) * w;
    };
    for (int a = 0; a < 2; ++a) {
        for (int la = 0; la < TerrainChunks::kLevels; ++la) {
            for (int lb = 0; lb < TerrainChunks::kLevels; ++lb) {
                for (int t = 0; t <= TerrainChunks::kCells; ++t) {
                    const double left = drawnBorder(a, TerrainChunks::kCells, la, t);
                    const double right = drawnBorder(a + 1, 0, lb, t);
                    ASSERT_LE(left - right, chunks.chunk(a).skirt[la]) << a << " " << la << " " << lb << " " << t;
                    ASSERT_LE(right - left, chunks.chunk(a + 1).skirt[lb]) << a << " " << la << " " << lb << " " << t;
                }
            }
        }
    }
    // Flat ground needs next to no skirt at any level.
    HeightField flat(TerrainChunks::kCells + 1, TerrainChunks::kCells + 1, 0.0, 0.0, 30.0, 1500.0);
    const TerrainChunks plain(flat);
    for (int level = 0; level < TerrainChunks::kLevels; ++level) {
        EXPECT_LT(plain.chunk(0).skirt[level], 0.5) << level;
    }
}

TEST(TerrainChunks, EachPartListsTheCellsOfItsOwnSquareAndItsBoxBoundsThem) {
    constexpr int kParts = TerrainChunks::kParts;
    for (int level = 0; level < TerrainChunks::kLevels; ++level) {
        if (!TerrainChunks::splitsIntoParts(level)) {
            continue;
        }
        const std::vector<std::uint16_t> indices = TerrainChunks::indicesOf(level);
        const int side = TerrainChunks::sideOf(level);
        const int partCells = (TerrainChunks::kCells >> level) / kParts;
        const std::size_t per = static_cast<std::size_t>(TerrainChunks::partIndexCount(level));
        for (int p = 0; p < kParts * kParts; ++p) {
            for (std::size_t at = p * per; at < (p + 1) * per; ++at) {
                const int v = indices[at];
                ASSERT_LT(v, TerrainChunks::gridVerticesOf(level)) << level << " " << p;
                EXPECT_GE(v % side, p % kParts * partCells);
                EXPECT_LE(v % side, (p % kParts + 1) * partCells);
                EXPECT_GE(v / side, p / kParts * partCells);
                EXPECT_LE(v / side, (p / kParts + 1) * partCells);
            }
        }
        // The skirts after the parts.
        for (std::size_t at = kParts * kParts * per; at < indices.size(); at += 3) {
            bool skirt = false;
            for (std::size_t c = 0; c < 3; ++c) {
                skirt = skirt || indices[at + c] >= TerrainChunks::gridVerticesOf(level);
            }
            EXPECT_TRUE(skirt) << level;
        }
    }
    HeightField field(129, 129, 0.0, 0.0, 1.0, 0.0);
    field.setSample(100, 20, 55.0); // in part (3, 0) only
    const TerrainChunks chunks(field);
    const TerrainChunks::Chunk& chunk = chunks.chunk(0);
    for (int p = 0; p < kParts * kParts; ++p) {
        EXPECT_EQ(chunk.partHighest[p].z, p == 3 ? 55.0 : 0.0) << p;
    }
    EXPECT_NEAR(chunks.distanceToPart(0, 3, Vector3D(100.0, 20.0, 60.0)), 5.0, 1e-9);
    EXPECT_NEAR(chunks.distanceToPart(0, 0, Vector3D(100.0, 20.0, 0.0)), 100.0 - 32.0, 1e-9);
}
