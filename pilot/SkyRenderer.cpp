#include "pilot/SkyRenderer.h"

#include <glm/gtc/type_ptr.hpp>

namespace {

// The three corners' view rays come in as uniforms: on the far plane the
// world point is an affine function of the screen position, so the rays
// interpolate exactly without perspective.
const char* kVertexShader = R"(#version 330 core
uniform vec3 rays[3];
noperspective out vec3 ray;
void main() {
    vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);
    ray = rays[gl_VertexID];
    gl_Position = vec4(corner, 1.0, 1.0);
}
)";

const char* kFragmentShader = R"(#version 330 core
noperspective in vec3 ray;
uniform vec3 sun;
uniform vec3 sunColour;
uniform vec3 zenith;
uniform vec3 horizon;
out vec4 colour;
void main() {
    vec3 d = normalize(ray);
    float up = max(d.z, 0.0);
    vec3 sky = mix(horizon, zenith, pow(up, 0.6));
    float towards = max(dot(d, sun), 0.0);
    // Glow around the sun, and the low sun's warmth along the horizon.
    sky += sunColour * (0.25 * pow(towards, 24.0) + 0.35 * pow(towards, 6.0) * pow(1.0 - up, 6.0));
    // The disc, about two thirds of a degree across, with a soft rim.
    float disc = smoothstep(0.99992, 0.99996, towards);
    colour = vec4(mix(sky, vec3(1.0, 0.98, 0.92) * max(sunColour.r, 0.3) * 1.3, disc), 1.0);
}
)";

} // namespace

SkyRenderer::~SkyRenderer() { glDeleteVertexArrays(1, &vertexArray); }

std::string SkyRenderer::build(const SceneLight& sceneLight) {
    light = sceneLight;
    std::string reason = program.build(kVertexShader, kFragmentShader);
    if (!reason.empty()) {
        return reason;
    }
    uRays = program.uniform("rays");
    uSun = program.uniform("sun");
    uSunColour = program.uniform("sunColour");
    uZenith = program.uniform("zenith");
    uHorizon = program.uniform("horizon");
    glGenVertexArrays(1, &vertexArray);
    return {};
}

void SkyRenderer::draw(const glm::dmat4& viewProjection, const glm::dvec3& eye) {
    const glm::dmat4 inverse = glm::inverse(viewProjection);
    const glm::dvec2 corners[3] = {{-1.0, -1.0}, {3.0, -1.0}, {-1.0, 3.0}};
    float rays[9];
    for (int i = 0; i < 3; ++i) {
        const glm::dvec4 far = inverse * glm::dvec4(corners[i], 1.0, 1.0);
        const glm::dvec3 ray = glm::dvec3(far) / far.w - eye;
        for (int k = 0; k < 3; ++k) {
            rays[i * 3 + k] = static_cast<float>(ray[k]);
        }
    }
    glUseProgram(program.id());
    glUniform3fv(uRays, 3, rays);
    glUniform3fv(uSun, 1, glm::value_ptr(light.sun));
    glUniform3fv(uSunColour, 1, glm::value_ptr(light.sunColour));
    glUniform3fv(uZenith, 1, glm::value_ptr(light.zenith));
    glUniform3fv(uHorizon, 1, glm::value_ptr(light.horizon));
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    glBindVertexArray(0);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
}
