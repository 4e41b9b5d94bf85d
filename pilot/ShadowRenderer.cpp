#include "pilot/ShadowRenderer.h"

#include <glm/gtc/type_ptr.hpp>

#include "glider/Glider.h"
#include "physics/ParticleSystem.h"
#include "terrain/HeightField.h"

namespace {

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
uniform mat4 viewProjection;
void main() {
    gl_Position = viewProjection * vec4(position, 1.0);
}
)";

// Multiplied into the ground's colour by the blend.
const char* kFragmentShader = R"(#version 330 core
uniform vec3 shade;
out vec4 colour;
void main() {
    colour = vec4(shade, 1.0);
}
)";

// A sun this low casts shadows too long to help.
constexpr double kLowestSun = 0.08;
constexpr double kLift = 0.15; // (unit: m) above the ground, against flicker

} // namespace

ShadowRenderer::~ShadowRenderer() {
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

std::string ShadowRenderer::build(const Glider& g, const ParticleSystem& w, const HeightField& field,
                                  const SceneLight& sceneLight) {
    glider = &g;
    world = &w;
    terrain = &field;
    light = sceneLight;
    std::string reason = program.build(kVertexShader, kFragmentShader);
    if (!reason.empty()) {
        return reason;
    }
    uViewProjection = program.uniform("viewProjection");
    uShade = program.uniform("shade");
    projected.assign(static_cast<std::size_t>(g.wingSize()), glm::vec3(0.0f));
    vertices.assign(static_cast<std::size_t>(w.triangleCount()) * 3, glm::vec3(0.0f));
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(glm::vec3)), nullptr,
                 GL_STREAM_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(glm::vec3), nullptr);
    glEnableVertexAttribArray(0);
    glBindVertexArray(0);
    return {};
}

glm::dvec3 ShadowRenderer::onGround(const glm::dvec3& p) const {
    // Where the ray from p away from the sun meets the ground: each pass
    // takes the ground's height where the last one landed.
    const glm::dvec3 sun(light.sun);
    double ground = terrain->heightAt(p.x, p.y);
    glm::dvec3 hit = p;
    for (int i = 0; i < kRefinements; ++i) {
        const double along = (p.z - ground) / sun.z;
        hit = p - sun * along;
        ground = terrain->heightAt(hit.x, hit.y);
    }
    return glm::dvec3(hit.x, hit.y, ground + kLift);
}

void ShadowRenderer::draw(const glm::dmat4& viewProjection, const glm::dmat4& placement) {
    if (!glider || light.sun.z < kLowestSun) {
        return;
    }
    for (int i = 0; i < glider->wingSize(); ++i) {
        const Vector3D& p = glider->wingParticle(i).position;
        projected[static_cast<std::size_t>(i)] =
            glm::vec3(onGround(glm::dvec3(placement * glm::dvec4(p.x, p.y, p.z, 1.0))));
    }
    const Particle* firstWing = &glider->wingParticle(0);
    std::size_t at = 0;
    for (int t = 0; t < world->triangleCount(); ++t) {
        const WingTriangle& triangle = world->triangleAt(t);
        for (const Particle* corner : {triangle.p0, triangle.p1, triangle.p2}) {
            const long k = corner - firstWing;
            vertices[at++] = projected[k >= 0 && k < glider->wingSize() ? static_cast<std::size_t>(k) : 0];
        }
    }
    glUseProgram(program.id());
    const glm::mat4 matrix(viewProjection);
    glUniformMatrix4fv(uViewProjection, 1, GL_FALSE, glm::value_ptr(matrix));
    // The direct light is what the shadow takes away.
    const float keep = 1.0f - kDarkening * glm::clamp(light.sunColour.g / 0.85f, 0.0f, 1.0f);
    glUniform3f(uShade, keep, keep, keep);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices.size() * sizeof(glm::vec3)), vertices.data());
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-2.0f, -2.0f);
    glDepthMask(GL_FALSE);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size()));
    glDepthMask(GL_TRUE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glDisable(GL_BLEND);
    glBindVertexArray(0);
}
