#include "pilot/TerrainRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include <glm/gtc/type_ptr.hpp>

#include "pilot/GroundCover.h"
#include "pilot/TerrainBlockCache.h"
#include "pilot/ViewFrustum.h"
#include "terrain/AerialImagery.h"
#include "terrain/HeightField.h"

namespace {

// A vertex carries only its height and normal; where it stands follows from
// its number, which counts through the chunks' blocks in order (the draw's
// base vertex included): which chunk, which level's block in it, which
// place in that level's grid or skirt. The big terrains fit in memory, and
// all chunks go to the GPU in one call. Colour, light and haze are worked
// out per vertex: the software renderer's time goes on pixels, and the
// terrain's vertices are far fewer than its pixels.
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in float height;
layout(location = 1) in vec4 colour;
uniform mat4 viewProjection;
uniform vec2 gridOrigin;
uniform float spacing;
uniform ivec2 lastSample;
uniform int chunksAcross;
uniform int chunkVertices;
uniform vec3 eye;
uniform vec2 haze;
// Two vectors, as few as the software renderer interpolates: the lit
// colour and the haze; where the grain is read and how much of it shows.
out vec4 litAndVeil;
out vec3 grainAt;
uniform int kCells;
uniform int kLevels;

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
    if (local < grid) {
        i = local % side;
        j = local / side;
    } else {
        // A skirt vertex: its height comes lowered.
        int edge = (local - grid) / side;
        int t = (local - grid) % side;
        i = edge == 0 || edge == 1 ? t : (edge == 2 ? 0 : side - 1);
        j = edge == 2 || edge == 3 ? t : (edge == 0 ? 0 : side - 1);
    }
    int column = min((chunk % chunksAcross) * kCells + i * stride, lastSample.x);
    int row = min((chunk / chunksAcross) * kCells + j * stride, lastSample.y);
    vec3 world = vec3(gridOrigin + vec2(float(column), float(row)) * spacing, height);
    gl_Position = viewProjection * vec4(world, 1.0);

    vec3 lit = colour.rgb * 2.0;

    // Aerial perspective: the haze grows with distance, and the last stretch
    // before the drawing's end fades fully into the horizon's colour.
    float d = length(world - eye);
    float veil = max(1.0 - exp(-3.0 * d / haze.x), smoothstep(0.8 * haze.y, haze.y, d));
    litAndVeil = vec4(lit, veil);
    grainAt = vec3(world.xy / 7.0, 0.7 * (1.0 - smoothstep(60.0, 400.0, d)));
}
)";

// A grain near the ground, so the height above it can be judged; it fades
// out where it would only shimmer. With aerial imagery (IMAGERY defined) the
// vertices carry the light alone and the imagery gives the ground's colour,
// found from where the grain is read.
const char* kFragmentShader = R"(#version 330 core
in vec4 litAndVeil;
in vec3 grainAt;
uniform sampler2D grain;
uniform vec3 horizon;
#ifdef IMAGERY
uniform sampler2D imagery;
uniform vec4 imageryFrame;
#endif
out vec4 colour;
void main() {
    vec3 lit = litAndVeil.rgb;
#ifdef IMAGERY
    lit *= texture(imagery, grainAt.xy * imageryFrame.xy + imageryFrame.zw).rgb;
#endif
    vec3 near = lit * (1.0 + grainAt.z * (texture(grain, grainAt.xy).r - 0.5));
    colour = vec4(mix(near, horizon, litAndVeil.a), 1.0);
}
)";

const char* kPlainFragmentShader = R"(#version 330 core
in vec4 litAndVeil;
uniform vec3 horizon;
#ifdef IMAGERY
in vec3 grainAt;
uniform sampler2D imagery;
uniform vec4 imageryFrame;
#endif
out vec4 colour;
void main() {
    vec3 lit = litAndVeil.rgb;
#ifdef IMAGERY
    lit *= texture(imagery, grainAt.xy * imageryFrame.xy + imageryFrame.zw).rgb;
#endif
    colour = vec4(mix(lit, horizon, litAndVeil.a), 1.0);
}
)";

// The fragment shader for the imagery: IMAGERY defined after its version line.
std::string withImagery(const char* source) {
    std::string text = source;
    text.insert(text.find('\n') + 1, "#define IMAGERY\n");
    return text;
}

// Where the grain is read (world x, y over this) is where the imagery's
// frame starts from.
constexpr double kGrainScale = 7.0; // (unit: m) the vertex shader's world.xy / 7.0

// (unit: m) beyond it the grain has faded out (the vertex shader's fade).
constexpr double kGrainReach = 400.0;
// Chunks this fine are drawn part by part: a part then has 512 triangles or
// more, worth a draw of its own (each costs the software renderer as much
// as a few hundred triangles).
constexpr int kLastLevelByParts = 1;

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
    glDeleteTextures(1, &imageryTexture);
}

std::string TerrainRenderer::buildShading(Shading& shading, const char* fragmentSource) {
    const std::string fragment = imageryTexture != 0 ? withImagery(fragmentSource) : std::string(fragmentSource);
    std::string reason = shading.program.build(kVertexShader, fragment.c_str());
    if (!reason.empty()) {
        return reason;
    }
    const GlProgram& p = shading.program;
    shading.viewProjection = p.uniform("viewProjection");
    shading.gridOrigin = p.uniform("gridOrigin");
    shading.spacing = p.uniform("spacing");
    shading.lastSample = p.uniform("lastSample");
    shading.chunksAcross = p.uniform("chunksAcross");
    shading.chunkVertices = p.uniform("chunkVertices");
    shading.cells = p.uniform("kCells");
    shading.levels = p.uniform("kLevels");
    shading.eye = p.uniform("eye");
    shading.haze = p.uniform("haze");
    shading.horizon = p.uniform("horizon");
    shading.grain = p.uniform("grain");
    shading.imagery = p.uniform("imagery");
    shading.imageryFrame = p.uniform("imageryFrame");
    return {};
}

void TerrainRenderer::useShading(const Shading& shading, const glm::dmat4& viewProjection, const glm::dvec3& eye,
                                 double farDistance) const {
    const HeightField& field = *heights;
    glUseProgram(shading.program.id());
    const glm::mat4 matrix(viewProjection);
    glUniformMatrix4fv(shading.viewProjection, 1, GL_FALSE, glm::value_ptr(matrix));
    glUniform1f(shading.spacing, static_cast<float>(field.gridSpacing()));
    glUniform2f(shading.gridOrigin, static_cast<float>(field.gridOriginX()), static_cast<float>(field.gridOriginY()));
    glUniform2i(shading.lastSample, field.columnCount() - 1, field.rowCount() - 1);
    glUniform1i(shading.chunksAcross, layout->chunksAcross());
    glUniform1i(shading.chunkVertices, TerrainChunks::chunkVertexCount());
    glUniform1i(shading.cells, TerrainChunks::kCells);
    glUniform1i(shading.levels, TerrainChunks::kLevels);
    glUniform3f(shading.eye, static_cast<float>(eye.x), static_cast<float>(eye.y), static_cast<float>(eye.z));
    glUniform2f(shading.haze, light.visibility, static_cast<float>(farDistance));
    glUniform3fv(shading.horizon, 1, glm::value_ptr(light.horizon));
    glUniform1i(shading.grain, 0);
    if (imageryTexture != 0) {
        glUniform1i(shading.imagery, 1);
        glUniform4fv(shading.imageryFrame, 1, glm::value_ptr(imageryFrame));
    }
}

std::string TerrainRenderer::build(const HeightField& field, const SceneLight& sceneLight,
                                   const AerialImagery* imagery) {
    heights = &field;
    light = sceneLight;
    std::string reason = imagery != nullptr ? uploadImagery(*imagery) : std::string();
    if (reason.empty()) {
        reason = buildShading(grained, kFragmentShader);
    }
    if (reason.empty()) {
        reason = buildShading(plain, kPlainFragmentShader);
    }
    if (!reason.empty()) {
        return reason;
    }

    constexpr int kGrainSize = 256;
    const std::vector<unsigned char> pixels = grainTexture(kGrainSize);
    glGenTextures(1, &grain);
    glBindTexture(GL_TEXTURE_2D, grain);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, kGrainSize, kGrainSize, 0, GL_RED, GL_UNSIGNED_BYTE, pixels.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);

    layout = std::make_unique<TerrainChunks>(field);
    order.assign(static_cast<std::size_t>(layout->chunkCount()), Visible{});
    const std::size_t most = order.size() * (TerrainChunks::kParts * TerrainChunks::kParts + 1);
    grainedDraws.reserve(most);
    plainDraws.reserve(most);
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

    const std::size_t chunkBytes = TerrainChunks::chunkVertexCount() * sizeof(Vertex);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(chunkBytes * static_cast<std::size_t>(layout->chunkCount())),
                 nullptr, GL_STATIC_DRAW);
    blocks = std::make_unique<TerrainBlockCache>(layout->chunkCount());
    scratch.assign(static_cast<std::size_t>(TerrainChunks::verticesOf(0)), Vertex{});
    for (int k = 0; k < layout->chunkCount(); ++k) {
        fillBlock(k, TerrainChunks::kLevels - 1);
    }
    glVertexAttribPointer(0, 1, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex),
                          reinterpret_cast<const void*>(sizeof(float)));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);
    return {};
}

std::string TerrainRenderer::uploadImagery(const AerialImagery& imagery) {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    if (imagery.columns > largest || imagery.rows > largest) {
        return "the imagery's " + std::to_string(imagery.columns) + " x " + std::to_string(imagery.rows) +
               " texels exceed this GPU's largest texture (" + std::to_string(largest) + " a side)";
    }
    glGenTextures(1, &imageryTexture);
    glBindTexture(GL_TEXTURE_2D, imageryTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, imagery.columns, imagery.rows, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 imagery.rgba.data());
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 0);
    // u = (x - west) / width, with x = 7 m times the grain's coordinate.
    const double width = imagery.east - imagery.west;
    const double height = imagery.north - imagery.south;
    imageryFrame = glm::vec4(static_cast<float>(kGrainScale / width), static_cast<float>(kGrainScale / height),
                             static_cast<float>(-imagery.west / width), static_cast<float>(-imagery.south / height));
    return {};
}

void TerrainRenderer::fillBlock(int k, int level) {
    const HeightField& field = *heights;
    const bool normals = field.hasNormals();
    const auto vertexAt = [&](int i, int j) {
        const int c = layout->sampleColumn(k, i);
        const int r = layout->sampleRow(k, j);
        const double x = field.gridOriginX() + c * field.gridSpacing();
        const double y = field.gridOriginY() + r * field.gridSpacing();
        const double h = field.sample(c, r);
        const Vector3D normal = normals ? field.normalAt(c, r) : Vector3D(0.0, 0.0, 1.0);
        return Vertex{
            static_cast<float>(h),
            // Under imagery the vertex carries the light, the imagery the colour.
            ground::pack(imageryTexture != 0 ? ground::lightAt(normal, light) : ground::litAt(x, y, h, normal, light))};
    };
    Vertex* block = scratch.data();
    const int side = TerrainChunks::sideOf(level);
    const int stride = TerrainChunks::strideOf(level);
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) {
            block[i + j * side] = vertexAt(i * stride, j * stride);
        }
    }
    // The skirts repeat the borders' vertices, lowered.
    const int grid = TerrainChunks::gridVerticesOf(level);
    const int last = side - 1;
    const auto lowered = [&](const Vertex& v) {
        return Vertex{static_cast<float>(v.height - layout->chunk(k).skirt[level]), v.colour};
    };
    for (int t = 0; t < side; ++t) {
        block[grid + t] = lowered(block[t]);
        block[grid + side + t] = lowered(block[t + last * side]);
        block[grid + 2 * side + t] = lowered(block[t * side]);
        block[grid + 3 * side + t] = lowered(block[last + t * side]);
    }
    const std::size_t first = static_cast<std::size_t>(k) * TerrainChunks::chunkVertexCount() +
                              static_cast<std::size_t>(TerrainChunks::firstVertexOf(level));
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(first * sizeof(Vertex)),
                    static_cast<GLsizeiptr>(TerrainChunks::verticesOf(level) * sizeof(Vertex)), block);
}

void TerrainRenderer::Draws::reserve(std::size_t most) {
    counts.assign(most, 0);
    offsets.assign(most, nullptr);
    baseVertices.assign(most, 0);
}

void TerrainRenderer::Draws::clear() {
    size = 0;
    indices = 0;
}

void TerrainRenderer::Draws::add(GLsizei count, std::size_t offset, GLint baseVertex) {
    const std::size_t at = static_cast<std::size_t>(size++);
    counts[at] = count;
    offsets[at] = reinterpret_cast<const void*>(offset);
    baseVertices[at] = baseVertex;
    indices += count;
}

void TerrainRenderer::Draws::draw() const {
    glMultiDrawElementsBaseVertex(GL_TRIANGLES, counts.data(), GL_UNSIGNED_SHORT, offsets.data(), size,
                                  baseVertices.data());
}

void TerrainRenderer::draw(const glm::dmat4& viewProjection, const glm::dvec3& eye, double farDistance) {
    drawnChunks = 0;
    drawnTriangles = 0;
    if (!layout) {
        return;
    }
    const ViewFrustum frustum(viewProjection);
    const Vector3D eyePoint(eye.x, eye.y, eye.z);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, grain);
    if (imageryTexture != 0) {
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, imageryTexture);
        glActiveTexture(GL_TEXTURE0);
    }
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
    blocks->beginFrame();
    grainedDraws.clear();
    plainDraws.clear();
    for (int v = 0; v < visible; ++v) {
        const int k = order[static_cast<std::size_t>(v)].chunk;
        const double distance = order[static_cast<std::size_t>(v)].distance;
        const TerrainBlockCache::Choice choice = blocks->choose(k, layout->levelFor(distance));
        if (choice.fill) {
            fillBlock(k, choice.level);
        }
        const int level = choice.level;
        const GLint base = k * TerrainChunks::chunkVertexCount() + TerrainChunks::firstVertexOf(level);
        if (level > kLastLevelByParts || !TerrainChunks::splitsIntoParts(level)) {
            (distance < kGrainReach ? grainedDraws : plainDraws).add(levelCount[level], levelOffset[level], base);
            continue;
        }
        // Part by part, nearest first, those out of view left out.
        const TerrainChunks::Chunk& chunk = layout->chunk(k);
        constexpr int kPartCount = TerrainChunks::kParts * TerrainChunks::kParts;
        std::array<Visible, kPartCount> parts;
        int shown = 0;
        for (int p = 0; p < kPartCount; ++p) {
            if (frustum.mayContain(chunk.partLowest[p], chunk.partHighest[p])) {
                parts[static_cast<std::size_t>(shown++)] = Visible{layout->distanceToPart(k, p, eyePoint), p};
            }
        }
        std::sort(parts.begin(), parts.begin() + shown,
                  [](const Visible& a, const Visible& b) { return a.distance < b.distance; });
        const GLsizei partCount = TerrainChunks::partIndexCount(level);
        for (int s = 0; s < shown; ++s) {
            const Visible& part = parts[static_cast<std::size_t>(s)];
            (part.distance < kGrainReach ? grainedDraws : plainDraws)
                .add(partCount, levelOffset[level] + static_cast<std::size_t>(part.chunk * partCount) * sizeof(std::uint16_t),
                     base);
        }
        plainDraws.add(levelCount[level] - kPartCount * partCount,
                       levelOffset[level] + static_cast<std::size_t>(kPartCount * partCount) * sizeof(std::uint16_t), base);
    }
    drawnChunks = visible;
    drawnTriangles = (grainedDraws.indices + plainDraws.indices) / 3;
    if (grainedDraws.size > 0) {
        useShading(grained, viewProjection, eye, farDistance);
        grainedDraws.draw();
    }
    if (plainDraws.size > 0) {
        useShading(plain, viewProjection, eye, farDistance);
        plainDraws.draw();
    }
    glBindVertexArray(0);
}
