#pragma once

#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "pilot/GlProgram.h"

class Glider;
class ParticleSystem;

// The glider as it is this frame: the sail's triangles straight from the
// current particles (so its flex and billow show), the mast, the hang strap
// and the pilot. The vertex buffer is sized once and rewritten every frame.
class GliderRenderer {
public:
    GliderRenderer() = default;
    ~GliderRenderer();
    GliderRenderer(const GliderRenderer&) = delete;
    GliderRenderer& operator=(const GliderRenderer&) = delete;

    std::string build(const Glider& glider, const ParticleSystem& world);
    // `placement` moves the particles before drawing (identity when flying;
    // a replay puts the start glider where the recording was).
    void draw(const glm::dmat4& viewProjection, const glm::dmat4& placement, const glm::dvec3& eye,
              double farDistance);

private:
    struct Vertex {
        float position[3];
        float normal[3];
        float colour[3];
    };
    void put(std::size_t& at, const glm::dvec3& p, const glm::dvec3& n, const float* colour);

    const Glider* glider = nullptr;
    const ParticleSystem* world = nullptr;
    GlProgram program;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    std::vector<Vertex> vertices; // sized once: sail, pilot, then lines
    GLsizei triangleVertices = 0;
    GLsizei lineVertices = 0;
    GLint uViewProjection = -1;
    GLint uEye = -1;
    GLint uFog = -1;
    GLint uSky = -1;
    GLint uSun = -1;
    GLint uLit = -1;
};
