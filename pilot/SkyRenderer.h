#pragma once

#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "pilot/GlProgram.h"
#include "pilot/SceneLight.h"

// The sky behind everything: a dome around the eye shaded from the
// horizon's pale haze to the zenith's deep blue, with the sun's glow (warmer
// along the horizon when the sun is low) and the sun's disc. The dome's
// colours are worked out per vertex, so the software renderer's pixels cost
// no more than a flat fill; it is drawn at the far plane after the opaque
// scene, so only the pixels nothing covers are touched.
class SkyRenderer {
public:
    static constexpr int kAround = 48; // segments around the horizon
    static constexpr int kRings = 14;  // from below the horizon to the zenith
    static constexpr double kSunRadius = 0.6; // (unit: degrees) drawn a little larger than it is

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
    GLuint vertexBuffer = 0;
    GLsizei domeVertices = 0;
    GLint uViewProjection = -1;
    GLint uEye = -1;
    GLint uSun = -1;
    GLint uSunColour = -1;
    GLint uZenith = -1;
    GLint uHorizon = -1;
    GLint uDisc = -1;
};
