#pragma once

#include <glm/glm.hpp>

#include "atmosphere/Sun.h"

// The light and air every drawing shares, worked out once from the sun's
// place: where the sun is and its colour (redder as it sinks), the sky's
// colours from the horizon to the zenith, the ambient light the sky gives
// shaded ground, and the haze that veils distant things (aerial perspective).
struct SceneLight {
    glm::vec3 sun{0.0f, 0.0f, 1.0f};        // towards the sun, unit
    glm::vec3 sunColour{1.0f, 1.0f, 1.0f};  // the direct light on ground square to it
    glm::vec3 ambient{0.3f, 0.3f, 0.3f};    // what shaded ground still receives
    glm::vec3 zenith{0.25f, 0.45f, 0.85f};  // the sky straight up
    glm::vec3 horizon{0.7f, 0.8f, 0.92f};   // the sky at the horizon; distant ground fades into it
    float visibility = 9000.0f;             // (unit: m) where the haze has taken about 95 %

    static SceneLight from(const SunPosition& sun);
};
