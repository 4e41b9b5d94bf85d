#include "pilot/GliderRenderer.h"

#include <glm/gtc/type_ptr.hpp>

#include "glider/Glider.h"
#include "physics/ParticleSystem.h"
#include "pilot/SceneLook.h"

namespace {

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
layout(location = 2) in vec3 colour;
uniform mat4 viewProjection;
out vec3 worldNormal;
out vec3 world;
out vec3 tint;
void main() {
    world = position;
    worldNormal = normal;
    tint = colour;
    gl_Position = viewProjection * vec4(position, 1.0);
}
)";

// Both faces of the sail are lit: the light passes through the cloth.
const char* kFragmentShader = R"(#version 330 core
in vec3 worldNormal;
in vec3 world;
in vec3 tint;
uniform vec3 eye;
uniform float fog;
uniform vec3 sky;
uniform vec3 sun;
uniform float lit;
out vec4 colour;
void main() {
    vec3 n = worldNormal;
    float len = length(n);
    float diffuse = len > 0.0 ? abs(dot(n / len, normalize(sun))) : 0.0;
    float light = mix(1.0, 0.38 + 0.62 * diffuse, lit);
    float d = length(world - eye);
    float haze = 1.0 - exp(-(d * fog) * (d * fog));
    colour = vec4(mix(tint * light, sky, haze), 1.0);
}
)";

constexpr float kSailA[3] = {0.90f, 0.25f, 0.10f};
constexpr float kSailB[3] = {0.98f, 0.85f, 0.20f};
constexpr float kPilotColour[3] = {0.15f, 0.20f, 0.60f};
constexpr float kFrameColour[3] = {0.15f, 0.15f, 0.15f};
constexpr int kPilotFaces = 6;
constexpr double kPilotHalf = 0.25; // (unit: m) the pilot drawn as a small box

glm::dvec3 toGlm(const Vector3D& v) { return {v.x, v.y, v.z}; }

} // namespace

GliderRenderer::~GliderRenderer() {
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

std::string GliderRenderer::build(const Glider& g, const ParticleSystem& w) {
    glider = &g;
    world = &w;
    std::string reason = program.build(kVertexShader, kFragmentShader);
    if (!reason.empty()) {
        return reason;
    }
    uViewProjection = program.uniform("viewProjection");
    uEye = program.uniform("eye");
    uFog = program.uniform("fog");
    uSky = program.uniform("sky");
    uSun = program.uniform("sun");
    uLit = program.uniform("lit");
    triangleVertices = static_cast<GLsizei>(w.triangleCount() * 3 + kPilotFaces * 6);
    lineVertices = 4; // the mast, and the strap from hub to pilot
    vertices.assign(static_cast<std::size_t>(triangleVertices + lineVertices), Vertex{});

    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), nullptr,
                 GL_STREAM_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<const void*>(0));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, normal)));
    glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, colour)));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glEnableVertexAttribArray(2);
    glBindVertexArray(0);
    return {};
}

void GliderRenderer::put(std::size_t& at, const glm::dvec3& p, const glm::dvec3& n, const float* colour) {
    Vertex& v = vertices[at++];
    for (int i = 0; i < 3; ++i) {
        v.position[i] = static_cast<float>(p[i]);
        v.normal[i] = static_cast<float>(n[i]);
        v.colour[i] = colour[i];
    }
}

void GliderRenderer::draw(const glm::dmat4& viewProjection, const glm::dmat4& placement, const glm::dvec3& eye,
                          double farDistance) {
    if (!glider) {
        return;
    }
    const auto place = [&placement](const Vector3D& p) { return glm::dvec3(placement * glm::dvec4(toGlm(p), 1.0)); };
    const glm::dmat3 turn(placement);
    std::size_t at = 0;
    const Particle* firstWing = &glider->wingParticle(0);
    for (int t = 0; t < world->triangleCount(); ++t) {
        const WingTriangle& triangle = world->triangleAt(t);
        const glm::dvec3 a = place(triangle.p0->position);
        const glm::dvec3 b = place(triangle.p1->position);
        const glm::dvec3 c = place(triangle.p2->position);
        const glm::dvec3 n = glm::cross(b - a, c - a);
        // Stripes along the span, by the first corner's place in its row, so
        // the cloth's movement is easy to follow.
        const long index = triangle.p0 - firstWing;
        const float* colour = ((index >= 0 ? index : 0) / 2) % 2 == 0 ? kSailA : kSailB;
        for (const glm::dvec3& p : {a, b, c}) {
            put(at, p, n, colour);
        }
    }
    // The pilot: a box around the pilot particle, upright in the placement.
    const glm::dvec3 centre = place(glider->pilotParticle().position);
    static const glm::dvec3 kAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int f = 0; f < kPilotFaces; ++f) {
        const glm::dvec3 n = turn * (kAxes[f / 2] * (f % 2 == 0 ? 1.0 : -1.0));
        const glm::dvec3 u = turn * kAxes[(f / 2 + 1) % 3];
        const glm::dvec3 v = turn * kAxes[(f / 2 + 2) % 3];
        const glm::dvec3 o = centre + n * kPilotHalf;
        const glm::dvec3 corners[4] = {o - (u + v) * kPilotHalf, o + (u - v) * kPilotHalf, o + (u + v) * kPilotHalf,
                                       o - (u - v) * kPilotHalf};
        for (int k : {0, 1, 2, 0, 2, 3}) {
            put(at, corners[k], n, kPilotColour);
        }
    }
    const glm::dvec3 none(0.0);
    put(at, place(glider->mastTopParticle().position), none, kFrameColour);
    put(at, place(glider->mastBottomParticle().position), none, kFrameColour);
    put(at, place(glider->hubParticle().position), none, kFrameColour);
    put(at, centre, none, kFrameColour);

    glUseProgram(program.id());
    const glm::mat4 matrix(viewProjection);
    glUniformMatrix4fv(uViewProjection, 1, GL_FALSE, glm::value_ptr(matrix));
    glUniform3f(uEye, static_cast<float>(eye.x), static_cast<float>(eye.y), static_cast<float>(eye.z));
    glUniform1f(uFog, static_cast<float>(2.0 / farDistance));
    glUniform3fv(uSky, 1, look::kSky);
    glUniform3fv(uSun, 1, look::kSun);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data());
    glUniform1f(uLit, 1.0f);
    glDrawArrays(GL_TRIANGLES, 0, triangleVertices);
    glUniform1f(uLit, 0.0f);
    glDrawArrays(GL_LINES, triangleVertices, lineVertices);
    glBindVertexArray(0);
}
