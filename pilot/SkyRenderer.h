#pragma once

#include <string>

#include <glm/glm.hpp>

#include "pilot/GlProgram.h"
#include "pilot/SceneLight.h"

// The sky behind everything: a gradient from the horizon's pale haze to the
// zenith's deep blue, the sun's disc and its glow, warmer near the horizon
// when the sun is low. One triangle over the whole screen at the far plane,
// drawn after the opaque scene so only the pixels nothing covers are shaded.
class SkyRenderer {
public:
    SkyRenderer() = default;
    ~SkyRenderer();
    SkyRenderer(const SkyRenderer&) = delete;
    SkyRenderer& operator=(const SkyRenderer&) = delete;

    std::string build(const SceneLight& light);
    void draw(const glm::dmat4& viewProjection, const glm::dvec3& eye);

private:
    SceneLight light;
    GlProgram program;
    GLuint vertexArray = 0;
    GLint uRays = -1;
    GLint uSun = -1;
    GLint uSunColour = -1;
    GLint uZenith = -1;
    GLint uHorizon = -1;
};
