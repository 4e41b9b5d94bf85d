#include "pilot/SceneLight.h"

#include <algorithm>

namespace {

float smoothstep(float low, float high, float x) {
    const float t = std::clamp((x - low) / (high - low), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

} // namespace

SceneLight SceneLight::from(const SunPosition& position) {
    SceneLight light;
    const Vector3D d = sun::direction(position);
    light.sun = glm::normalize(glm::vec3(static_cast<float>(d.x), static_cast<float>(d.y), static_cast<float>(d.z)));
    const float elevation = static_cast<float>(position.elevation);
    // Daylight is white; a low sun shines through more air and reddens; at
    // night only a dim blue remains.
    const float day = smoothstep(-4.0f, 20.0f, elevation);
    const float up = smoothstep(-6.0f, 4.0f, elevation);
    const glm::vec3 low(1.0f, 0.62f, 0.36f);
    const glm::vec3 high(1.0f, 0.96f, 0.88f);
    light.sunColour = glm::mix(low, high, day) * (0.85f * up);
    light.ambient = glm::mix(glm::vec3(0.10f, 0.12f, 0.20f), glm::vec3(0.34f, 0.38f, 0.44f), up);
    light.zenith = glm::mix(glm::vec3(0.05f, 0.08f, 0.20f), glm::vec3(0.22f, 0.42f, 0.82f), up);
    const glm::vec3 dusk(0.93f, 0.66f, 0.48f);
    const glm::vec3 noon(0.70f, 0.80f, 0.92f);
    light.horizon = glm::mix(glm::vec3(0.12f, 0.14f, 0.24f), glm::mix(dusk, noon, day), up);
    return light;
}
