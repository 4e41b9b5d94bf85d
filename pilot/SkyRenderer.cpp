#include "pilot/SkyRenderer.h"
#include "physics/SharedConstants.h"

#include <cmath>

#include <glm/gtc/type_ptr.hpp>

namespace {


// Each vertex is a direction from the eye (the disc's also carries its
// corner in the disc's plane, in units of its radius).
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 direction;
layout(location = 1) in vec2 corner;
uniform mat4 viewProjection;
uniform vec3 eye;
uniform vec3 sun;
uniform vec3 sunColour;
uniform vec3 zenith;
uniform vec3 horizon;
out vec3 shade;
out vec2 across;
void main() {
    vec3 d = normalize(direction);
    float up = max(d.z, 0.0);
    vec3 sky = mix(horizon, zenith, pow(up, 0.6));
    float towards = max(dot(d, sun), 0.0);
    // Glow around the sun, and the low sun's warmth along the horizon.
    sky += sunColour * (0.25 * pow(towards, 24.0) + 0.35 * pow(towards, 6.0) * pow(1.0 - up, 6.0));
    shade = sky;
    across = corner;
    vec4 at = viewProjection * vec4(eye + direction * 100.0, 1.0);
    gl_Position = at.xyww; // on the far plane: behind everything drawn
}
)";

const char* kFragmentShader = R"(#version 330 core
in vec3 shade;
in vec2 across;
uniform float disc;
uniform vec3 sunColour;
out vec4 colour;
void main() {
    if (disc > 0.5) {
        float r = length(across);
        colour = vec4(vec3(1.0, 0.98, 0.92) * max(sunColour.r, 0.3) * 1.3, 1.0 - smoothstep(0.8, 1.0, r));
    } else {
        colour = vec4(shade, 1.0);
    }
}
)";

struct SkyVertex {
    float direction[3];
    float corner[2];
};

} // namespace

SkyRenderer::~SkyRenderer() {
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

std::string SkyRenderer::build(const SceneLight& sceneLight) {
    light = sceneLight;
    std::string reason = program.build(kVertexShader, kFragmentShader);
    if (!reason.empty()) {
        return reason;
    }
    uViewProjection = program.uniform("viewProjection");
    uEye = program.uniform("eye");
    uSun = program.uniform("sun");
    uSunColour = program.uniform("sunColour");
    uZenith = program.uniform("zenith");
    uHorizon = program.uniform("horizon");
    uDisc = program.uniform("disc");

    // Rings close together near the horizon, where the colours change most.
    std::vector<double> elevations;
    for (int r = 0; r <= kRings; ++r) {
        const double t = static_cast<double>(r) / kRings;
        elevations.push_back(-0.25 + (0.25 + kPi / 2.0) * t * t);
    }
    std::vector<SkyVertex> vertices;
    const auto direction = [](double azimuth, double elevation) {
        return SkyVertex{{static_cast<float>(std::cos(elevation) * std::sin(azimuth)),
                          static_cast<float>(std::cos(elevation) * std::cos(azimuth)),
                          static_cast<float>(std::sin(elevation))},
                         {0.0f, 0.0f}};
    };
    for (int r = 0; r < kRings; ++r) {
        for (int a = 0; a < kAround; ++a) {
            const double a0 = 2.0 * kPi * a / kAround;
            const double a1 = 2.0 * kPi * (a + 1) / kAround;
            const SkyVertex quad[4] = {direction(a0, elevations[r]), direction(a1, elevations[r]),
                                       direction(a1, elevations[r + 1]), direction(a0, elevations[r + 1])};
            for (int k : {0, 1, 2, 0, 2, 3}) {
                vertices.push_back(quad[k]);
            }
        }
    }
    domeVertices = static_cast<GLsizei>(vertices.size());
    // The sun's disc: a small square across the sun's direction.
    const glm::dvec3 towards = glm::normalize(glm::dvec3(light.sun));
    const glm::dvec3 side = glm::normalize(glm::cross(towards, std::fabs(towards.z) < 0.99 ? glm::dvec3(0, 0, 1)
                                                                                           : glm::dvec3(1, 0, 0)));
    const glm::dvec3 lift = glm::cross(side, towards);
    const double size = std::tan(kSunRadius * kPi / 180.0);
    const float corners[6][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
        const glm::dvec3 d = towards + (side * static_cast<double>(c[0]) + lift * static_cast<double>(c[1])) * size;
        vertices.push_back(SkyVertex{{static_cast<float>(d.x), static_cast<float>(d.y), static_cast<float>(d.z)},
                                     {c[0], c[1]}});
    }

    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(SkyVertex)), vertices.data(),
                 GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(SkyVertex), nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(SkyVertex),
                          reinterpret_cast<const void*>(offsetof(SkyVertex, corner)));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);
    return {};
}

void SkyRenderer::draw(const glm::dmat4& viewProjection, const glm::dvec3& eye) {
    glUseProgram(program.id());
    const glm::mat4 matrix(viewProjection);
    glUniformMatrix4fv(uViewProjection, 1, GL_FALSE, glm::value_ptr(matrix));
    glUniform3f(uEye, static_cast<float>(eye.x), static_cast<float>(eye.y), static_cast<float>(eye.z));
    glUniform3fv(uSun, 1, glm::value_ptr(light.sun));
    glUniform3fv(uSunColour, 1, glm::value_ptr(light.sunColour));
    glUniform3fv(uZenith, 1, glm::value_ptr(light.zenith));
    glUniform3fv(uHorizon, 1, glm::value_ptr(light.horizon));
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glBindVertexArray(vertexArray);
    glUniform1f(uDisc, 0.0f);
    glDrawArrays(GL_TRIANGLES, 0, domeVertices);
    if (light.sun.z > -0.02f) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glUniform1f(uDisc, 1.0f);
        glDrawArrays(GL_TRIANGLES, domeVertices, 6);
        glDisable(GL_BLEND);
    }
    glBindVertexArray(0);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
}
