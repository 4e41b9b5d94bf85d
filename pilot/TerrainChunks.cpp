#include "pilot/TerrainChunks.h"

#include <algorithm>
#include <cmath>

#include "terrain/HeightField.h"

TerrainChunks::TerrainChunks(const HeightField& heights) : field(heights) {
    const int cellsX = std::max(field.columnCount() - 1, 1);
    const int cellsY = std::max(field.rowCount() - 1, 1);
    across = (cellsX + kCells - 1) / kCells;
    along = (cellsY + kCells - 1) / kCells;
    detailDistance = kDetailCells * field.gridSpacing();
    chunks.reserve(static_cast<std::size_t>(across) * static_cast<std::size_t>(along));
    for (int cj = 0; cj < along; ++cj) {
        for (int ci = 0; ci < across; ++ci) {
            Chunk chunk;
            chunk.column = ci * kCells;
            chunk.row = cj * kCells;
            chunks.push_back(chunk);
            const int k = static_cast<int>(chunks.size()) - 1;
            double low = field.sample(sampleColumn(k, 0), sampleRow(k, 0));
            double high = low;
            constexpr int kPartCells = kCells / kParts;
            for (int pj = 0; pj < kParts; ++pj) {
                for (int pi = 0; pi < kParts; ++pi) {
                    double partLow = field.sample(sampleColumn(k, pi * kPartCells), sampleRow(k, pj * kPartCells));
                    double partHigh = partLow;
                    for (int j = pj * kPartCells; j <= (pj + 1) * kPartCells; ++j) {
                        for (int i = pi * kPartCells; i <= (pi + 1) * kPartCells; ++i) {
                            const double h = field.sample(sampleColumn(k, i), sampleRow(k, j));
                            partLow = std::min(partLow, h);
                            partHigh = std::max(partHigh, h);
                        }
                    }
                    const auto cornerAt = [&](int i, int j, double z) {
                        return Vector3D(field.gridOriginX() + sampleColumn(k, i) * field.gridSpacing(),
                                        field.gridOriginY() + sampleRow(k, j) * field.gridSpacing(), z);
                    };
                    const int p = pi + pj * kParts;
                    chunks.back().partLowest[p] = cornerAt(pi * kPartCells, pj * kPartCells, partLow);
                    chunks.back().partHighest[p] = cornerAt((pi + 1) * kPartCells, (pj + 1) * kPartCells, partHigh);
                    low = std::min(low, partLow);
                    high = std::max(high, partHigh);
                }
            }
            const double x0 = field.gridOriginX() + sampleColumn(k, 0) * field.gridSpacing();
            const double y0 = field.gridOriginY() + sampleRow(k, 0) * field.gridSpacing();
            const double x1 = field.gridOriginX() + sampleColumn(k, kCells) * field.gridSpacing();
            const double y1 = field.gridOriginY() + sampleRow(k, kCells) * field.gridSpacing();
            chunks.back().lowest = Vector3D(x0, y0, low);
            chunks.back().highest = Vector3D(x1, y1, high);
            measureSkirts(k);
        }
    }
}

// A border drawn at level L is the line through every stride-th sample; it
// strays from the full border by at most dev(L), largest at a sample. Two
// chunks meeting there at levels L and M draw borders at most dev(L) +
// dev(M) apart, so a skirt dev(L) + the largest dev deep closes the gap
// whichever is the higher.
void TerrainChunks::measureSkirts(int k) {
    double deviation[kLevels] = {};
    double border[kCells + 1];
    for (int edge = 0; edge < 4; ++edge) {
        for (int t = 0; t <= kCells; ++t) {
            const int i = edge < 2 ? t : (edge == 2 ? 0 : kCells);
            const int j = edge >= 2 ? t : (edge == 0 ? 0 : kCells);
            border[t] = field.sample(sampleColumn(k, i), sampleRow(k, j));
        }
        for (int level = 1; level < kLevels; ++level) {
            const int stride = strideOf(level);
            for (int before = 0; before < kCells; before += stride) {
                const int after = std::min(before + stride, kCells);
                for (int t = before + 1; t < after; ++t) {
                    const double w = static_cast<double>(t - before) / (after - before);
                    const double drawn = border[before] * (1.0 - w) + border[after] * w;
                    deviation[level] = std::max(deviation[level], std::fabs(drawn - border[t]));
                }
            }
        }
    }
    const double largest = *std::max_element(deviation, deviation + kLevels);
    // A margin for the float heights the GPU is given.
    const double margin = 0.25 + 1e-6 * std::max(std::fabs(chunks.back().lowest.z), std::fabs(chunks.back().highest.z));
    for (int level = 0; level < kLevels; ++level) {
        chunks.back().skirt[level] = deviation[level] + largest + margin;
    }
}

int TerrainChunks::sampleColumn(int k, int i) const {
    return std::min(chunks[static_cast<std::size_t>(k)].column + i, field.columnCount() - 1);
}

int TerrainChunks::sampleRow(int k, int j) const {
    return std::min(chunks[static_cast<std::size_t>(k)].row + j, field.rowCount() - 1);
}

int TerrainChunks::levelFor(double distance) const {
    const double detail = detailDistance;
    if (!(distance > detail)) {
        return 0;
    }
    const int level = 1 + static_cast<int>(std::floor(std::log2(distance / detail)));
    return std::min(level, kLevels - 1);
}

namespace {

double boxDistance(const Vector3D& lowest, const Vector3D& highest, const Vector3D& eye) {
    const double dx = std::max({lowest.x - eye.x, 0.0, eye.x - highest.x});
    const double dy = std::max({lowest.y - eye.y, 0.0, eye.y - highest.y});
    const double dz = std::max({lowest.z - eye.z, 0.0, eye.z - highest.z});
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

double TerrainChunks::distanceTo(int k, const Vector3D& eye) const {
    const Chunk& c = chunks[static_cast<std::size_t>(k)];
    return boxDistance(c.lowest, c.highest, eye);
}

double TerrainChunks::distanceToPart(int k, int p, const Vector3D& eye) const {
    const Chunk& c = chunks[static_cast<std::size_t>(k)];
    return boxDistance(c.partLowest[p], c.partHighest[p], eye);
}

std::vector<std::uint16_t> TerrainChunks::indicesOf(int level) {
    const int l = std::clamp(level, 0, kLevels - 1);
    const int side = sideOf(l);
    const int last = side - 1;
    const auto grid = [side](int i, int j) { return static_cast<std::uint16_t>(i + j * side); };
    const auto skirt = [side, l](int edge, int t) {
        return static_cast<std::uint16_t>(gridVerticesOf(l) + edge * side + t);
    };
    std::vector<std::uint16_t> indices;
    indices.reserve(static_cast<std::size_t>(last * last * 6 + 4 * last * 6));
    const int parts = splitsIntoParts(l) ? kParts : 1;
    const int partCells = last / parts;
    for (int pj = 0; pj < parts; ++pj) {
        for (int pi = 0; pi < parts; ++pi) {
            for (int j = pj * partCells; j < (pj + 1) * partCells; ++j) {
                for (int i = pi * partCells; i < (pi + 1) * partCells; ++i) {
                    const std::uint16_t a = grid(i, j);
                    const std::uint16_t b = grid(i + 1, j);
                    const std::uint16_t c = grid(i, j + 1);
                    const std::uint16_t d = grid(i + 1, j + 1);
                    indices.insert(indices.end(), {a, b, d, a, d, c});
                }
            }
        }
    }
    // Skirts: a wall hanging from each border segment down to its copy.
    for (int t = 0; t < last; ++t) {
        const int u = t + 1;
        const std::uint16_t walls[4][4] = {
            {grid(t, 0), grid(u, 0), skirt(0, t), skirt(0, u)},
            {grid(t, last), grid(u, last), skirt(1, t), skirt(1, u)},
            {grid(0, t), grid(0, u), skirt(2, t), skirt(2, u)},
            {grid(last, t), grid(last, u), skirt(3, t), skirt(3, u)},
        };
        for (const auto& w : walls) {
            indices.insert(indices.end(), {w[0], w[1], w[3], w[0], w[3], w[2]});
        }
    }
    return indices;
}
