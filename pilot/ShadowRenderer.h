#pragma once

#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "pilot/GlProgram.h"
#include "pilot/SceneLight.h"

class Glider;
class HeightField;
class ParticleSystem;

// The sail's shadow on the ground: every sail particle carried along the
// sun's rays down to the terrain, the sail's triangles drawn there darkening
// what lies beneath. Cheap in software (a few hundred vertices, no shadow
// map) and exact enough to show where the glider is over the ground. Sized
// once.
class ShadowRenderer {
public:
    // Along the ray the terrain height is refined this often.
    static constexpr int kRefinements = 4;
    // How much of the light a shadow takes from the ground beneath.
    static constexpr float kDarkening = 0.45f;

    ShadowRenderer() = default;
    ~ShadowRenderer();
    ShadowRenderer(const ShadowRenderer&) = delete;
    ShadowRenderer& operator=(const ShadowRenderer&) = delete;

    std::string build(const Glider& glider, const ParticleSystem& world, const HeightField& terrain,
                      const SceneLight& light);
    void draw(const glm::dmat4& viewProjection, const glm::dmat4& placement);

private:
    glm::dvec3 onGround(const glm::dvec3& p) const;

    const Glider* glider = nullptr;
    const ParticleSystem* world = nullptr;
    const HeightField* terrain = nullptr;
    SceneLight light;
    GlProgram program;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    std::vector<glm::vec3> projected; // one per sail particle
    std::vector<glm::vec3> vertices;  // three per sail triangle
    GLint uViewProjection = -1;
    GLint uShade = -1;
};
