#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "pilot/GlProgram.h"
#include "pilot/SceneLight.h"
#include "pilot/TerrainBlockCache.h"
#include "pilot/TerrainChunks.h"

class HeightField;
struct AerialImagery;

// The terrain on the GPU: every chunk's heights and lit colours (GroundCover),
// at every level of detail, in one vertex buffer, each block filled when
// first drawn (TerrainBlockCache); the index lists of every level of detail
// in one index buffer. Each frame draws only the chunks the camera may see, each at
// its level, its materials by slope and height, lit by the sun and the sky,
// grained near the eye and veiled by haze with distance.
class TerrainRenderer {
public:
    TerrainRenderer() = default;
    ~TerrainRenderer();
    TerrainRenderer(const TerrainRenderer&) = delete;
    TerrainRenderer& operator=(const TerrainRenderer&) = delete;

    // With `imagery` (every texel covered, over the field's extent) the
    // ground takes its colours from it instead of the ground covers.
    std::string build(const HeightField& field, const SceneLight& light, const AerialImagery* imagery = nullptr);
    // `farDistance` (unit: m) is where the haze is complete.
    void draw(const glm::dmat4& viewProjection, const glm::dvec3& eye, double farDistance);

    int chunksDrawn() const { return drawnChunks; }
    long trianglesDrawn() const { return drawnTriangles; }

private:
    // Per vertex: the height, and the ground's lit colour packed as 8-bit
    // red, green, blue over 0 to 2 (GroundCover).
    struct Vertex {
        float height = 0.0f;
        std::uint32_t colour = 0;
    };
    // Works out chunk k's vertices at `level` and sends them to the GPU.
    void fillBlock(int k, int level);

    const HeightField* heights = nullptr;
    std::unique_ptr<TerrainChunks> layout;
    std::unique_ptr<TerrainBlockCache> blocks;
    std::vector<Vertex> scratch; // one block, the largest
    // Two programs: with the grain for the chunks near enough to show it,
    // without it (one texture read a pixel less) for the rest.
    struct Shading {
        GlProgram program;
        GLint viewProjection = -1;
        GLint gridOrigin = -1;
        GLint spacing = -1;
        GLint lastSample = -1;
        GLint chunksAcross = -1;
        GLint chunkVertices = -1;
        GLint cells = -1;
        GLint levels = -1;
        GLint eye = -1;
        GLint haze = -1;
        GLint horizon = -1;
        GLint grain = -1;
        GLint imagery = -1;
        GLint imageryFrame = -1;
    };
    std::string buildShading(Shading& shading, const char* fragmentSource);
    // Empty, or why the GPU cannot hold the imagery.
    std::string uploadImagery(const AerialImagery& imagery);
    void useShading(const Shading& shading, const glm::dmat4& viewProjection, const glm::dvec3& eye,
                    double farDistance) const;
    Shading grained;
    Shading plain;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLsizei levelCount[TerrainChunks::kLevels] = {};
    std::size_t levelOffset[TerrainChunks::kLevels] = {}; // (unit: bytes)
    GLuint grain = 0; // the detail texture
    GLuint imageryTexture = 0; // the ground's colours from aerial imagery; 0: the ground covers'
    glm::vec4 imageryFrame{0.0f}; // the grain's coordinates to the imagery's: scale x, y, offset x, y
    SceneLight light;
    struct Visible {
        double distance = 0.0; // (unit: m)
        int chunk = 0;         // or a part of one
    };
    // Sized once, one slot per chunk: the frame's visible chunks.
    std::vector<Visible> order;
    // The arguments of one multi-draw call, room for every part of every
    // chunk reserved once.
    struct Draws {
        std::vector<GLsizei> counts;
        std::vector<const void*> offsets;
        std::vector<GLint> baseVertices;
        GLsizei size = 0;
        long indices = 0;
        void reserve(std::size_t most);
        void clear();
        void add(GLsizei count, std::size_t offset, GLint baseVertex); // offset (unit: bytes)
        void draw() const;
    };
    Draws grainedDraws;
    Draws plainDraws;
    int drawnChunks = 0;
    long drawnTriangles = 0;
};
