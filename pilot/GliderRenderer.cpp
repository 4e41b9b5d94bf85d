#include "pilot/GliderRenderer.h"

#include <glm/gtc/type_ptr.hpp>

#include "glider/Glider.h"
#include "physics/ParticleSystem.h"

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
uniform vec2 haze;
uniform vec3 horizon;
uniform vec3 sun;
uniform vec3 sunColour;
uniform vec3 ambient;
uniform float lit;
out vec4 colour;
void main() {
    vec3 n = worldNormal;
    float len = length(n);
    float diffuse = len > 0.0 ? abs(dot(n / len, sun)) : 0.0;
    vec3 light = mix(vec3(1.0), sunColour * diffuse + ambient * 1.2, lit);
    float d = length(world - eye);
    float veil = max(1.0 - exp(-3.0 * d / haze.x), smoothstep(0.8 * haze.y, haze.y, d));
    colour = vec4(mix(tint * light, horizon, veil), 1.0);
}
)";

constexpr float kSailA[3] = {0.90f, 0.25f, 0.10f};
constexpr float kSailB[3] = {0.98f, 0.85f, 0.20f};
constexpr float kHarnessColour[3] = {0.12f, 0.16f, 0.45f};
constexpr float kHelmetColour[3] = {0.92f, 0.92f, 0.88f};
constexpr float kFrameColour[3] = {0.12f, 0.12f, 0.14f};
constexpr int kBoxVertices = 36;
constexpr int kBoxes = 2; // the pilot's pod harness and helmet

// The pilot's figure and the control frame, in metres along the glider's
// own axes (forward, right, up) from the pilot's mass or the hub.
constexpr double kPodHalfLength = 0.85;
constexpr double kPodHalfWidth = 0.22;
constexpr double kPodHalfHeight = 0.17;
constexpr double kHeadAhead = 1.0;
constexpr double kHeadHalf = 0.13;
constexpr double kShoulderAhead = 0.55;
constexpr double kShoulderHalfWidth = 0.2;
constexpr double kBasebarBelow = 1.55;
constexpr double kBasebarAhead = 0.3;
constexpr double kBasebarHalfWidth = 0.7;

glm::dvec3 toGlm(const Vector3D& v) { return {v.x, v.y, v.z}; }

} // namespace

GliderRenderer::~GliderRenderer() {
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

std::string GliderRenderer::build(const Glider& g, const ParticleSystem& w, const SceneLight& sceneLight) {
    glider = &g;
    world = &w;
    light = sceneLight;
    std::string reason = program.build(kVertexShader, kFragmentShader);
    if (!reason.empty()) {
        return reason;
    }
    uViewProjection = program.uniform("viewProjection");
    lit.locate(program);
    uLit = program.uniform("lit");
    triangleVertices = static_cast<GLsizei>(w.triangleCount() * 3 + kBoxes * kBoxVertices);
    // The mast, the strap, both leading edges, the keel, the control
    // frame's two down tubes and base bar, and the pilot's arms.
    const int n = g.subdivisionCount();
    lineVertices = static_cast<GLsizei>(2 * (1 + 1 + 2 * n + 1 + 3 + 2));
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

void GliderRenderer::putLine(std::size_t& at, const glm::dvec3& a, const glm::dvec3& b, const float* colour) {
    const glm::dvec3 none(0.0);
    put(at, a, none, colour);
    put(at, b, none, colour);
}

void GliderRenderer::putBox(std::size_t& at, const glm::dvec3& centre, const glm::dvec3 axes[3],
                            const glm::dvec3& half, const float* colour) {
    for (int f = 0; f < 6; ++f) {
        const int a = f / 2;
        const double sign = f % 2 == 0 ? 1.0 : -1.0;
        const glm::dvec3 n = axes[a] * sign;
        const glm::dvec3 u = axes[(a + 1) % 3] * half[(a + 1) % 3];
        const glm::dvec3 v = axes[(a + 2) % 3] * half[(a + 2) % 3];
        const glm::dvec3 o = centre + n * half[a];
        const glm::dvec3 corners[4] = {o - u - v, o + u - v, o + u + v, o - u + v};
        for (int k : {0, 1, 2, 0, 2, 3}) {
            put(at, corners[k], n, colour);
        }
    }
}

void GliderRenderer::draw(const glm::dmat4& viewProjection, const glm::dmat4& placement, const glm::dvec3& eye,
                          double farDistance) {
    if (!glider) {
        return;
    }
    const auto place = [&placement](const Vector3D& p) { return glm::dvec3(placement * glm::dvec4(toGlm(p), 1.0)); };
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

    // The glider's own axes from its particles: forward from the trailing
    // edge's middle to the nose, up along the mast.
    const int n = glider->subdivisionCount();
    const auto wing = [&](int i) { return place(glider->wingParticle(i).position); };
    const glm::dvec3 nose = wing(0);
    const int tail = Glider::rowStart(n) + n / 2;
    const glm::dvec3 trailing = n % 2 == 0 ? wing(tail) : 0.5 * (wing(tail) + wing(tail + 1));
    const glm::dvec3 hub = place(glider->hubParticle().position);
    const glm::dvec3 mastTop = place(glider->mastTopParticle().position);
    const glm::dvec3 mastBottom = place(glider->mastBottomParticle().position);
    const glm::dvec3 forward = glm::normalize(nose - trailing);
    const glm::dvec3 right = glm::normalize(glm::cross(forward, mastTop - mastBottom));
    const glm::dvec3 up = glm::cross(right, forward);

    // The pilot prone in a pod harness, head forward.
    const glm::dvec3 pilot = place(glider->pilotParticle().position);
    const glm::dvec3 axes[3] = {forward, right, up};
    putBox(at, pilot, axes, glm::dvec3(kPodHalfLength, kPodHalfWidth, kPodHalfHeight), kHarnessColour);
    putBox(at, pilot + forward * kHeadAhead, axes, glm::dvec3(kHeadHalf), kHelmetColour);

    putLine(at, mastTop, mastBottom, kFrameColour);
    putLine(at, hub, pilot + up * kPodHalfHeight, kFrameColour);
    for (int i = 0; i < n; ++i) {
        putLine(at, wing(Glider::rowStart(i)), wing(Glider::rowStart(i + 1)), kFrameColour);
        putLine(at, wing(Glider::rowStart(i) + i), wing(Glider::rowStart(i + 1) + i + 1), kFrameColour);
    }
    putLine(at, nose, trailing, kFrameColour);
    const glm::dvec3 bar = hub - up * kBasebarBelow + forward * kBasebarAhead;
    const glm::dvec3 left = bar - right * kBasebarHalfWidth;
    const glm::dvec3 rightEnd = bar + right * kBasebarHalfWidth;
    putLine(at, hub, left, kFrameColour);
    putLine(at, hub, rightEnd, kFrameColour);
    putLine(at, left, rightEnd, kFrameColour);
    const glm::dvec3 shoulders = pilot + forward * kShoulderAhead;
    putLine(at, shoulders - right * kShoulderHalfWidth, left + right * 0.25, kHarnessColour);
    putLine(at, shoulders + right * kShoulderHalfWidth, rightEnd - right * 0.25, kHarnessColour);

    glUseProgram(program.id());
    const glm::mat4 matrix(viewProjection);
    glUniformMatrix4fv(uViewProjection, 1, GL_FALSE, glm::value_ptr(matrix));
    lit.set(light, eye, farDistance);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), vertices.data());
    glUniform1f(uLit, 1.0f);
    glDrawArrays(GL_TRIANGLES, 0, triangleVertices);
    glUniform1f(uLit, 0.0f);
    glDrawArrays(GL_LINES, triangleVertices, lineVertices);
    glBindVertexArray(0);
}
