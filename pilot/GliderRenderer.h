#pragma once

#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "pilot/GlProgram.h"
#include "pilot/LitUniforms.h"
#include "pilot/SceneLight.h"

class Glider;
class ParticleSystem;

// The glider as it is this frame: the sail's triangles straight from the
// current particles (so its flex and billow show), its frame (leading
// edges, keel, mast and control frame), and the pilot lying prone in a pod
// harness, hung from the hub. The vertex buffer is sized once and rewritten
// every frame.
class GliderRenderer {
public:
    GliderRenderer() = default;
    ~GliderRenderer();
    GliderRenderer(const GliderRenderer&) = delete;
    GliderRenderer& operator=(const GliderRenderer&) = delete;

    std::string build(const Glider& glider, const ParticleSystem& world, const SceneLight& light);
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
    void putLine(std::size_t& at, const glm::dvec3& a, const glm::dvec3& b, const float* colour);
    // An oriented box: centre, its three unit axes and half sizes along them.
    void putBox(std::size_t& at, const glm::dvec3& centre, const glm::dvec3 axes[3], const glm::dvec3& half,
                const float* colour);

    const Glider* glider = nullptr;
    const ParticleSystem* world = nullptr;
    SceneLight light;
    GlProgram program;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    std::vector<Vertex> vertices; // sized once: sail, pilot, then lines
    GLsizei triangleVertices = 0;
    GLsizei lineVertices = 0;
    GLint uViewProjection = -1;
    LitUniforms lit;
    GLint uLit = -1;
};
