#pragma once

#include <memory>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "pilot/GlProgram.h"
#include "pilot/TerrainChunks.h"

class HeightField;

// The terrain on the GPU: every chunk's heights and normals, at every level
// of detail, uploaded once
// into one vertex buffer, the index lists of every level of detail into one
// index buffer. Each frame draws only the chunks the camera may see, each at
// its level, lit, coloured by height and fading into the sky with distance.
class TerrainRenderer {
public:
    TerrainRenderer() = default;
    ~TerrainRenderer();
    TerrainRenderer(const TerrainRenderer&) = delete;
    TerrainRenderer& operator=(const TerrainRenderer&) = delete;

    std::string build(const HeightField& field);
    // `farDistance` (unit: m) is where the fog is complete.
    void draw(const glm::dmat4& viewProjection, const glm::dvec3& eye, double farDistance);

    int chunksDrawn() const { return drawnChunks; }
    long trianglesDrawn() const { return drawnTriangles; }

private:
    const HeightField* heights = nullptr;
    std::unique_ptr<TerrainChunks> layout;
    GlProgram program;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLsizei levelCount[TerrainChunks::kLevels] = {};
    std::size_t levelOffset[TerrainChunks::kLevels] = {}; // (unit: bytes)
    GLint uViewProjection = -1;
    GLint uOrigin = -1;
    GLint uSpacing = -1;
    GLint uClampMax = -1;
    GLint uSkirt = -1;
    GLint uSide = -1;
    GLint uStride = -1;
    GLint uRange = -1;
    GLint uEye = -1;
    GLint uFog = -1;
    GLint uSky = -1;
    GLint uSun = -1;
    struct Visible {
        double distance = 0.0; // (unit: m)
        int chunk = 0;
    };
    std::vector<Visible> order; // sized once: one slot per chunk
    int drawnChunks = 0;
    long drawnTriangles = 0;
};
