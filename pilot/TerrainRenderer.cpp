#include "pilot/TerrainRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <glm/gtc/type_ptr.hpp>

#include "pilot/SceneLook.h"
#include "pilot/ViewFrustum.h"
#include "terrain/HeightField.h"

namespace {

// Per vertex: the height, and the normal packed as signed 10-bit x, y, z.
struct TerrainVertex {
    float height;
    std::uint32_t normal;
};

std::uint32_t packNormal(const Vector3D& n) {
    const auto part = [](double v) {
        const double clamped = v < -1.0 ? -1.0 : (v > 1.0 ? 1.0 : v);
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(clamped * 511.0)) & 0x3ff);
    };
    return part(n.x) | (part(n.y) << 10) | (part(n.z) << 20);
}

// A vertex carries only its height and normal; where it stands follows from
// its number, which counts through the chunks' blocks in order (the draw's
// base vertex included): which chunk, which level's block in it, which
// place in that level's grid or skirt. The big terrains fit in memory, and
// all chunks go to the GPU in one call. Colour, light and haze are worked
// out per vertex: the software renderer's time goes on pixels, and the
// terrain's vertices are far fewer than its pixels.
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in float height;
layout(location = 1) in vec4 normal;
uniform mat4 viewProjection;
uniform vec2 gridOrigin;
uniform float spacing;
uniform ivec2 lastSample;
uniform int chunksAcross;
uniform int chunkVertices;
uniform vec2 lines;
uniform vec3 eye;
uniform vec2 haze;
uniform vec3 sun;
uniform vec3 sunColour;
uniform vec3 ambient;
out vec3 lit;
out float veil;
out vec2 detailAt;
out float detail;
uniform int kCells;
uniform int kLevels;

// Smooth value noise over the ground, for patches of forest and meadow.
float hash(vec2 p) {
    return fract(sin(dot(p, vec2(127.1, 311.7))) * 43758.5453);
}
float noise(vec2 p) {
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), u.x), mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0, 1.0)), u.x), u.y);
}

void main() {
    int chunk = gl_VertexID / chunkVertices;
    int local = gl_VertexID - chunk * chunkVertices;
    int level = 0;
    int side = kCells + 1;
    int count = side * side + 4 * side;
    while (level < kLevels - 1 && local >= count) {
        local -= count;
        level += 1;
        side = (kCells >> level) + 1;
        count = side * side + 4 * side;
    }
    int stride = 1 << level;
    int grid = side * side;
    int i;
    int j;
    float drop = 0.0;
    if (local < grid) {
        i = local % side;
        j = local / side;
    } else {
        int edge = (local - grid) / side;
        int t = (local - grid) % side;
        i = edge == 0 || edge == 1 ? t : (edge == 2 ? 0 : side - 1);
        j = edge == 2 || edge == 3 ? t : (edge == 0 ? 0 : side - 1);
        // Deep enough to cover what a coarser neighbour's simplification can
        // open up, shallow enough not to show below overhanging edges.
        drop = spacing * float(2 * stride) + 1.0;
    }
    int column = min((chunk % chunksAcross) * kCells + i * stride, lastSample.x);
    int row = min((chunk / chunksAcross) * kCells + j * stride, lastSample.y);
    vec3 world = vec3(gridOrigin + vec2(float(column), float(row)) * spacing, height - drop);
    gl_Position = viewProjection * vec4(world, 1.0);

    // Materials by slope and height: meadow and forest patches below the
    // tree line, scree above it, rock where it is too steep to hold soil,
    // snow high up where it can lie.
    vec3 n = normalize(normal.xyz);
    float steep = 1.0 - n.z; // 0 flat, 0.13 at 30 degrees, 0.36 at 50
    float treeLine = lines.x;
    float snowLine = lines.y;
    float patches = noise(world.xy / 180.0) * 0.7 + noise(world.xy / 45.0) * 0.3;
    vec3 grass = mix(vec3(0.30, 0.50, 0.18), vec3(0.50, 0.55, 0.28), noise(world.xy / 70.0));
    vec3 alpine = vec3(0.48, 0.47, 0.30);
    vec3 forest = vec3(0.10, 0.24, 0.09);
    vec3 scree = vec3(0.60, 0.58, 0.54);
    vec3 rock = vec3(0.42, 0.40, 0.38);
    vec3 snow = vec3(0.95, 0.96, 0.98);
    float above = smoothstep(treeLine - 80.0, treeLine + 80.0, height);
    vec3 base = mix(grass, alpine, above);
    float trees = smoothstep(0.50, 0.62, patches) * (1.0 - above) * (1.0 - smoothstep(0.22, 0.32, steep));
    base = mix(base, forest, trees);
    base = mix(base, scree, smoothstep(0.06, 0.14, steep) * above);
    base = mix(base, rock, smoothstep(0.20, 0.32, steep));
    base = mix(base, snow, smoothstep(snowLine - 120.0, snowLine + 120.0, height + 150.0 * patches) *
                           (1.0 - smoothstep(0.30, 0.45, steep)));

    // Direct sun on the slopes facing it; the sky's light on every slope,
    // less where the ground faces sideways and sees less sky.
    float facing = max(dot(n, sun), 0.0);
    lit = base * (sunColour * facing + ambient * (0.6 + 0.4 * n.z));

    // Aerial perspective: the haze grows with distance, and the last stretch
    // before the drawing's end fades fully into the horizon's colour.
    float d = length(world - eye);
    veil = max(1.0 - exp(-3.0 * d / haze.x), smoothstep(0.8 * haze.y, haze.y, d));
    detailAt = world.xy / 7.0;
    detail = 1.0 - smoothstep(60.0, 400.0, d);
}
)";

// A grain near the ground, so the height above it can be judged; it fades
// out where it would only shimmer.
const char* kFragmentShader = R"(#version 330 core
in vec3 lit;
in float veil;
in vec2 detailAt;
in float detail;
uniform sampler2D grain;
uniform vec3 horizon;
out vec4 colour;
void main() {
    float g = texture(grain, detailAt).r;
    vec3 near = lit * (1.0 + detail * (g - 0.5) * 0.7);
    colour = vec4(mix(near, horizon, veil), 1.0);
}
)";

// The detail texture: value noise at three scales, tiling, bytes 0 to 255.
std::vector<unsigned char> grainTexture(int size) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(size * size));
    std::uint32_t state = 12345u;
    const auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    };
    std::vector<float> lattice(static_cast<std::size_t>(size * size));
    for (float& v : lattice) {
        v = next();
    }
    const auto at = [&](int x, int y) {
        return lattice[static_cast<std::size_t>(((y % size + size) % size) * size + (x % size + size) % size)];
    };
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float sum = 0.0f;
            float weight = 0.0f;
            for (int cell : {16, 4, 1}) {
                const float fx = static_cast<float>(x) / static_cast<float>(cell);
                const float fy = static_cast<float>(y) / static_cast<float>(cell);
                const int ix = x / cell;
                const int iy = y / cell;
                const float u = fx - static_cast<float>(ix);
                const float v = fy - static_cast<float>(iy);
                const float top = at(ix * cell, iy * cell) * (1.0f - u) + at((ix + 1) * cell, iy * cell) * u;
                const float bottom = at(ix * cell, (iy + 1) * cell) * (1.0f - u) + at((ix + 1) * cell, (iy + 1) * cell) * u;
                const float w = static_cast<float>(cell);
                sum += (top * (1.0f - v) + bottom * v) * w;
                weight += w;
            }
            pixels[static_cast<std::size_t>(y * size + x)] = static_cast<unsigned char>(255.0f * sum / weight);
        }
    }
    return pixels;
}

} // namespace

TerrainRenderer::~TerrainRenderer() {
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteTextures(1, &grain);
}

std::string TerrainRenderer::build(const HeightField& field, const SceneLight& sceneLight) {
    heights = &field;
    light = sceneLight;
    std::string reason = program.build(kVertexShader, kFragmentShader);
    if (!reason.empty()) {
        return reason;
    }
    uViewProjection = program.uniform("viewProjection");
    uGridOrigin = program.uniform("gridOrigin");
    uSpacing = program.uniform("spacing");
    uLastSample = program.uniform("lastSample");
    uChunksAcross = program.uniform("chunksAcross");
    uChunkVertices = program.uniform("chunkVertices");
    uCells = program.uniform("kCells");
    uLevels = program.uniform("kLevels");
    uLines = program.uniform("lines");
    uEye = program.uniform("eye");
    uHaze = program.uniform("haze");
    uHorizon = program.uniform("horizon");
    uSun = program.uniform("sun");
    uSunColour = program.uniform("sunColour");
    uAmbient = program.uniform("ambient");
    uGrain = program.uniform("grain");

    constexpr int kGrainSize = 256;
    const std::vector<unsigned char> pixels = grainTexture(kGrainSize);
    glGenTextures(1, &grain);
    glBindTexture(GL_TEXTURE_2D, grain);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kGrainSize, kGrainSize, 0, GL_RED, GL_UNSIGNED_BYTE, pixels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);

    layout = std::make_unique<TerrainChunks>(field);
    order.assign(static_cast<std::size_t>(layout->chunkCount()), Visible{});
    counts.assign(order.size(), 0);
    offsets.assign(order.size(), nullptr);
    baseVertices.assign(order.size(), 0);
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);

    std::vector<std::uint16_t> indices;
    for (int level = 0; level < TerrainChunks::kLevels; ++level) {
        const std::vector<std::uint16_t> own = TerrainChunks::indicesOf(level);
        levelOffset[level] = indices.size() * sizeof(std::uint16_t);
        levelCount[level] = static_cast<GLsizei>(own.size());
        indices.insert(indices.end(), own.begin(), own.end());
    }
    glGenBuffers(1, &indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint16_t)),
                 indices.data(), GL_STATIC_DRAW);

    const std::size_t chunkBytes = TerrainChunks::chunkVertexCount() * sizeof(TerrainVertex);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(chunkBytes * static_cast<std::size_t>(layout->chunkCount())),
                 nullptr, GL_STATIC_DRAW);
    const bool normals = field.hasNormals();
    std::vector<TerrainVertex> chunk(TerrainChunks::chunkVertexCount());
    for (int k = 0; k < layout->chunkCount(); ++k) {
        const auto vertexAt = [&](int i, int j) {
            const int c = layout->sampleColumn(k, i);
            const int r = layout->sampleRow(k, j);
            return TerrainVertex{static_cast<float>(field.sample(c, r)),
                                 packNormal(normals ? field.normalAt(c, r) : Vector3D(0.0, 0.0, 1.0))};
        };
        for (int level = 0; level < TerrainChunks::kLevels; ++level) {
            TerrainVertex* block = chunk.data() + TerrainChunks::firstVertexOf(level);
            const int side = TerrainChunks::sideOf(level);
            const int stride = TerrainChunks::strideOf(level);
            for (int j = 0; j < side; ++j) {
                for (int i = 0; i < side; ++i) {
                    block[i + j * side] = vertexAt(i * stride, j * stride);
                }
            }
            const int last = side - 1;
            for (int t = 0; t < side; ++t) {
                const int edges[4][2] = {{t, 0}, {t, last}, {0, t}, {last, t}};
                for (int e = 0; e < 4; ++e) {
                    block[TerrainChunks::gridVerticesOf(level) + e * side + t] =
                        vertexAt(edges[e][0] * stride, edges[e][1] * stride);
                }
            }
        }
        glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(chunkBytes * static_cast<std::size_t>(k)),
                        static_cast<GLsizeiptr>(chunkBytes), chunk.data());
    }
    glVertexAttribPointer(0, 1, GL_FLOAT, GL_FALSE, sizeof(TerrainVertex), nullptr);
    glVertexAttribPointer(1, 4, GL_INT_2_10_10_10_REV, GL_TRUE, sizeof(TerrainVertex),
                          reinterpret_cast<const void*>(sizeof(float)));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);
    return {};
}

void TerrainRenderer::draw(const glm::dmat4& viewProjection, const glm::dvec3& eye, double farDistance) {
    drawnChunks = 0;
    drawnTriangles = 0;
    if (!layout) {
        return;
    }
    const ViewFrustum frustum(viewProjection);
    const Vector3D eyePoint(eye.x, eye.y, eye.z);
    const HeightField& field = *heights;
    const double spacing = field.gridSpacing();

    glUseProgram(program.id());
    const glm::mat4 matrix(viewProjection);
    glUniformMatrix4fv(uViewProjection, 1, GL_FALSE, glm::value_ptr(matrix));
    glUniform1f(uSpacing, static_cast<float>(spacing));
    glUniform2f(uGridOrigin, static_cast<float>(field.gridOriginX()), static_cast<float>(field.gridOriginY()));
    glUniform2i(uLastSample, field.columnCount() - 1, field.rowCount() - 1);
    glUniform1i(uChunksAcross, layout->chunksAcross());
    glUniform1i(uChunkVertices, TerrainChunks::chunkVertexCount());
    glUniform1i(uCells, TerrainChunks::kCells);
    glUniform1i(uLevels, TerrainChunks::kLevels);
    // The tree line and snow line of the Alps; low hills stay green.
    glUniform2f(uLines, static_cast<float>(look::kTreeLine), static_cast<float>(look::kSnowLine));
    glUniform3f(uEye, static_cast<float>(eye.x), static_cast<float>(eye.y), static_cast<float>(eye.z));
    glUniform2f(uHaze, light.visibility, static_cast<float>(farDistance));
    glUniform3fv(uHorizon, 1, glm::value_ptr(light.horizon));
    glUniform3fv(uSun, 1, glm::value_ptr(light.sun));
    glUniform3fv(uSunColour, 1, glm::value_ptr(light.sunColour));
    glUniform3fv(uAmbient, 1, glm::value_ptr(light.ambient));
    glUniform1i(uGrain, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, grain);
    glBindVertexArray(vertexArray);

    // Nearest first, so hidden ground fails the depth test before it costs
    // any shading.
    int visible = 0;
    for (int k = 0; k < layout->chunkCount(); ++k) {
        const TerrainChunks::Chunk& chunk = layout->chunk(k);
        const double distance = layout->distanceTo(k, eyePoint);
        if (distance <= farDistance && frustum.mayContain(chunk.lowest, chunk.highest)) {
            order[static_cast<std::size_t>(visible++)] = Visible{distance, k};
        }
    }
    std::sort(order.begin(), order.begin() + visible,
              [](const Visible& a, const Visible& b) { return a.distance < b.distance; });
    for (int v = 0; v < visible; ++v) {
        const std::size_t at = static_cast<std::size_t>(v);
        const int level = layout->levelFor(order[at].distance);
        counts[at] = levelCount[level];
        offsets[at] = reinterpret_cast<const void*>(levelOffset[level]);
        baseVertices[at] = order[at].chunk * TerrainChunks::chunkVertexCount() + TerrainChunks::firstVertexOf(level);
        drawnTriangles += levelCount[level] / 3;
    }
    drawnChunks = visible;
    if (visible > 0) {
        glMultiDrawElementsBaseVertex(GL_TRIANGLES, counts.data(), GL_UNSIGNED_SHORT, offsets.data(), visible,
                                      baseVertices.data());
    }
    glBindVertexArray(0);
}
