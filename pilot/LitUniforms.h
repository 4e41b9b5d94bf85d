#pragma once

#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "pilot/GlProgram.h"
#include "pilot/SceneLight.h"

// The eye, the haze and the sun's light, as every lit and hazed shader
// declares them ("eye", "haze", "horizon", "sun", "sunColour", "ambient"):
// found once when the program is built, set once a frame before drawing.
struct LitUniforms {
    GLint eye = -1;
    GLint haze = -1;
    GLint horizon = -1;
    GLint sun = -1;
    GLint sunColour = -1;
    GLint ambient = -1;

    void locate(const GlProgram& program) {
        eye = program.uniform("eye");
        haze = program.uniform("haze");
        horizon = program.uniform("horizon");
        sun = program.uniform("sun");
        sunColour = program.uniform("sunColour");
        ambient = program.uniform("ambient");
    }

    // With the program in use. (unit: m) `farDistance`: where the haze is complete.
    void set(const SceneLight& light, const glm::dvec3& from, double farDistance) const {
        glUniform3f(eye, static_cast<float>(from.x), static_cast<float>(from.y), static_cast<float>(from.z));
        glUniform2f(haze, light.visibility, static_cast<float>(farDistance));
        glUniform3fv(horizon, 1, glm::value_ptr(light.horizon));
        glUniform3fv(sun, 1, glm::value_ptr(light.sun));
        glUniform3fv(sunColour, 1, glm::value_ptr(light.sunColour));
        glUniform3fv(ambient, 1, glm::value_ptr(light.ambient));
    }
};
