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

// Positions come from the vertex's place in the chunk, so a vertex carries
// only its height and normal: the big terrains fit in memory. Colour, light
// and haze are worked out per vertex: the software renderer's time goes on
// pixels, and the terrain's vertices are far fewer than its pixels.
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in float height;
layout(location = 1) in vec4 normal;
uniform mat4 viewProjection;
uniform vec2 origin;
uniform float spacing;
uniform ivec2 clampMax;
uniform float skirt;
uniform int side;
uniform int stride;
uniform vec2 range;
uniform vec3 eye;
uniform float fog;
uniform vec3 sky;
uniform vec3 sun;
out vec3 shade;
void main() {
    int local = gl_VertexID;
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
        drop = skirt;
    }
    i = min(i * stride, clampMax.x);
    j = min(j * stride, clampMax.y);
    vec3 world = vec3(origin + vec2(float(i), float(j)) * spacing, height - drop);
    gl_Position = viewProjection * vec4(world, 1.0);

    float t = clamp((height - range.x) / max(range.y - range.x, 1.0), 0.0, 1.0);
    vec3 low = vec3(0.30, 0.50, 0.22);
    vec3 mid = vec3(0.55, 0.52, 0.32);
    vec3 rock = vec3(0.52, 0.50, 0.48);
    vec3 snow = vec3(0.95, 0.95, 0.97);
    vec3 base = t < 0.45 ? mix(low, mid, t / 0.45)
              : (t < 0.8 ? mix(mid, rock, (t - 0.45) / 0.35) : mix(rock, snow, (t - 0.8) / 0.2));
    float light = 0.38 + 0.62 * max(dot(normalize(normal.xyz), normalize(sun)), 0.0);
    float d = length(world - eye);
    float haze = 1.0 - exp(-(d * fog) * (d * fog));
    shade = mix(base * light, sky, haze);
}
)";

const char* kFragmentShader = R"(#version 330 core
in vec3 shade;
out vec4 colour;
void main() {
    colour = vec4(shade, 1.0);
}
)";

} // namespace

TerrainRenderer::~TerrainRenderer() {
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteBuffers(1, &indexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

std::string TerrainRenderer::build(const HeightField& field) {
    heights = &field;
    std::string reason = program.build(kVertexShader, kFragmentShader);
    if (!reason.empty()) {
        return reason;
    }
    uViewProjection = program.uniform("viewProjection");
    uOrigin = program.uniform("origin");
    uSpacing = program.uniform("spacing");
    uClampMax = program.uniform("clampMax");
    uSkirt = program.uniform("skirt");
    uSide = program.uniform("side");
    uStride = program.uniform("stride");
    uRange = program.uniform("range");
    uEye = program.uniform("eye");
    uFog = program.uniform("fog");
    uSky = program.uniform("sky");
    uSun = program.uniform("sun");

    layout = std::make_unique<TerrainChunks>(field);
    order.assign(static_cast<std::size_t>(layout->chunkCount()), Visible{});
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
    // Low relief stays green: the colours span at least 80 m.
    glUniform2f(uRange, static_cast<float>(field.lowest()),
                static_cast<float>(std::max(field.highest(), field.lowest() + 80.0)));
    glUniform3f(uEye, static_cast<float>(eye.x), static_cast<float>(eye.y), static_cast<float>(eye.z));
    // Nearly all haze (98 %) at the far distance: exp(-4) is about 0.02.
    glUniform1f(uFog, static_cast<float>(2.0 / farDistance));
    glUniform3fv(uSky, 1, look::kSky);
    glUniform3fv(uSun, 1, look::kSun);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);

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

    const std::size_t chunkBytes = TerrainChunks::chunkVertexCount() * sizeof(TerrainVertex);
    for (int v = 0; v < visible; ++v) {
        const int k = order[static_cast<std::size_t>(v)].chunk;
        const TerrainChunks::Chunk& chunk = layout->chunk(k);
        const int level = layout->levelFor(order[static_cast<std::size_t>(v)].distance);
        const std::size_t base = chunkBytes * static_cast<std::size_t>(k) +
                                 sizeof(TerrainVertex) * static_cast<std::size_t>(TerrainChunks::firstVertexOf(level));
        glVertexAttribPointer(0, 1, GL_FLOAT, GL_FALSE, sizeof(TerrainVertex), reinterpret_cast<const void*>(base));
        glVertexAttribPointer(1, 4, GL_INT_2_10_10_10_REV, GL_TRUE, sizeof(TerrainVertex),
                              reinterpret_cast<const void*>(base + sizeof(float)));
        glUniform2f(uOrigin, static_cast<float>(field.gridOriginX() + chunk.column * spacing),
                    static_cast<float>(field.gridOriginY() + chunk.row * spacing));
        glUniform2i(uClampMax, layout->sampleColumn(k, TerrainChunks::kCells) - chunk.column,
                    layout->sampleRow(k, TerrainChunks::kCells) - chunk.row);
        // Deep enough to cover what the coarser neighbour's simplification
        // can open up, shallow enough not to show below overhanging edges.
        glUniform1i(uSide, TerrainChunks::sideOf(level));
        glUniform1i(uStride, TerrainChunks::strideOf(level));
        glUniform1f(uSkirt, static_cast<float>(spacing * (2 << level) + 1.0));
        glDrawElements(GL_TRIANGLES, levelCount[level], GL_UNSIGNED_SHORT,
                       reinterpret_cast<const void*>(levelOffset[level]));
        ++drawnChunks;
        drawnTriangles += levelCount[level] / 3;
    }
    glBindVertexArray(0);
}
