#include "pilot/CloudRenderer.h"

#include <algorithm>
#include <cstddef>

#include <glm/gtc/type_ptr.hpp>

namespace {

const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec3 centre;
layout(location = 1) in vec2 corner;
layout(location = 2) in float radius;
layout(location = 3) in float opacity;
uniform mat4 viewProjection;
uniform vec3 right;
uniform vec3 up;
uniform vec3 eye;
uniform vec2 haze;
out vec2 across;
out float fade;
out float veil;
void main() {
    vec3 world = centre + (right * corner.x + up * corner.y) * radius;
    across = corner;
    fade = opacity;
    float d = length(centre - eye);
    // Clouds stand in cleaner air than the valley haze: half as veiled.
    veil = max(0.5 * (1.0 - exp(-3.0 * d / haze.x)), smoothstep(0.85 * haze.y, haze.y, d));
    gl_Position = viewProjection * vec4(world, 1.0);
}
)";

const char* kFragmentShader = R"(#version 330 core
in vec2 across;
in float fade;
in float veil;
uniform vec3 sunColour;
uniform vec3 ambient;
uniform vec3 horizon;
uniform vec3 sun;
uniform vec3 up;
out vec4 colour;
void main() {
    float r2 = dot(across, across);
    if (r2 >= 1.0) {
        discard;
    }
    // A round puff: dense in the middle, soft at its rim; white where the
    // sun strikes its top, grey towards its base.
    float density = (1.0 - r2) * (1.0 - r2);
    float top = 0.5 + 0.5 * across.y;
    float lit = 0.55 + 0.45 * top;
    vec3 white = (sunColour * 0.9 + ambient * 1.1) * lit;
    colour = vec4(mix(min(white, vec3(1.0)), horizon, veil), clamp(density * 1.6, 0.0, 1.0) * fade);
}
)";

} // namespace

CloudRenderer::~CloudRenderer() {
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
}

std::string CloudRenderer::build(const ThermalField* thermals, const HeightField& terrain, bool shown,
                                 const SceneLight& sceneLight) {
    light = sceneLight;
    layout = std::make_unique<CloudLayout>(shown ? thermals : nullptr, &terrain);
    if (layout->capacity() == 0) {
        return {};
    }
    std::string reason = program.build(kVertexShader, kFragmentShader);
    if (!reason.empty()) {
        return reason;
    }
    uViewProjection = program.uniform("viewProjection");
    uRight = program.uniform("right");
    uUp = program.uniform("up");
    lit.locate(program);
    vertices.assign(layout->capacity() * 6, Vertex{});
    order.assign(layout->capacity(), Order{});

    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)), nullptr,
                 GL_STREAM_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<const void*>(0));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, corner)));
    glVertexAttribPointer(2, 1, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, radius)));
    glVertexAttribPointer(3, 1, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offsetof(Vertex, opacity)));
    for (GLuint a = 0; a < 4; ++a) {
        glEnableVertexAttribArray(a);
    }
    glBindVertexArray(0);
    return {};
}

void CloudRenderer::draw(const glm::dmat4& viewProjection, const glm::dvec3& eye, double time, double farDistance) {
    drawn = 0;
    if (!layout || layout->capacity() == 0) {
        return;
    }
    const int count = layout->layOut(time);
    const std::vector<CloudLayout::Puff>& puffs = layout->puffs();
    int visible = 0;
    for (int i = 0; i < count; ++i) {
        const CloudLayout::Puff& p = puffs[static_cast<std::size_t>(i)];
        const double distance = glm::length(glm::dvec3(p.x, p.y, p.z) - eye);
        if (distance - p.radius < farDistance) {
            order[static_cast<std::size_t>(visible++)] = Order{distance, i};
        }
    }
    // Far to near, so the nearer puffs blend over the farther.
    std::sort(order.begin(), order.begin() + visible,
              [](const Order& a, const Order& b) { return a.distance > b.distance; });
    static const float kCorners[6][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, 1}, {-1, 1}};
    for (int v = 0; v < visible; ++v) {
        const CloudLayout::Puff& p = puffs[static_cast<std::size_t>(order[static_cast<std::size_t>(v)].puff)];
        for (int k = 0; k < 6; ++k) {
            Vertex& out = vertices[static_cast<std::size_t>(v * 6 + k)];
            out.centre[0] = static_cast<float>(p.x);
            out.centre[1] = static_cast<float>(p.y);
            out.centre[2] = static_cast<float>(p.z);
            out.corner[0] = kCorners[k][0];
            out.corner[1] = kCorners[k][1];
            out.radius = static_cast<float>(p.radius);
            out.opacity = static_cast<float>(p.opacity);
        }
    }
    drawn = visible;
    if (visible == 0) {
        return;
    }
    // The screen's right and up in the world: from the far plane's point
    // straight ahead to those to its right and above.
    const glm::dmat4 inverse = glm::inverse(viewProjection);
    const glm::dvec4 centreFar = inverse * glm::dvec4(0.0, 0.0, 1.0, 1.0);
    const glm::dvec4 rightFar = inverse * glm::dvec4(1.0, 0.0, 1.0, 1.0);
    const glm::dvec4 upFar = inverse * glm::dvec4(0.0, 1.0, 1.0, 1.0);
    const glm::dvec3 c = glm::dvec3(centreFar) / centreFar.w;
    const glm::vec3 right(glm::normalize(glm::dvec3(rightFar) / rightFar.w - c));
    const glm::vec3 up(glm::normalize(glm::dvec3(upFar) / upFar.w - c));

    glUseProgram(program.id());
    const glm::mat4 matrix(viewProjection);
    glUniformMatrix4fv(uViewProjection, 1, GL_FALSE, glm::value_ptr(matrix));
    glUniform3fv(uRight, 1, glm::value_ptr(right));
    glUniform3fv(uUp, 1, glm::value_ptr(up));
    lit.set(light, eye, farDistance);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(static_cast<std::size_t>(visible) * 6 * sizeof(Vertex)),
                    vertices.data());
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glDrawArrays(GL_TRIANGLES, 0, visible * 6);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glBindVertexArray(0);
}
