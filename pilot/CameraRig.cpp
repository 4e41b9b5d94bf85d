#include "pilot/CameraRig.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <glm/gtc/matrix_transform.hpp>

#include "terrain/HeightField.h"
#include "physics/SharedConstants.h"

namespace {

constexpr double kDegrees = kPi / 180.0;

glm::dvec3 toGlm(const Vector3D& v) { return {v.x, v.y, v.z}; }

// Unit horizontal vector pointing along a heading.
glm::dvec3 along(double heading) { return {std::sin(heading * kDegrees), std::cos(heading * kDegrees), 0.0}; }

} // namespace

void CameraRig::nextMode() { mode = static_cast<Mode>((static_cast<int>(mode) + 1) % static_cast<int>(Mode::Count)); }

const char* CameraRig::nameOf(Mode value) {
    switch (value) {
    case Mode::Chase:
        return "chase";
    case Mode::PilotEye:
        return "pilot";
    case Mode::Orbit:
        return "orbit";
    case Mode::Ground:
        return "ground";
    case Mode::Count:
        break;
    }
    return "chase";
}

bool CameraRig::modeFromName(const char* name, Mode& value) {
    for (int i = 0; i < static_cast<int>(Mode::Count); ++i) {
        if (std::strcmp(name, nameOf(static_cast<Mode>(i))) == 0) {
            value = static_cast<Mode>(i);
            return true;
        }
    }
    return false;
}

void CameraRig::orbitDrag(double dx, double dy) {
    if (!std::isfinite(dx) || !std::isfinite(dy)) {
        return;
    }
    azimuth = std::fmod(azimuth + dx * 0.25, 360.0);
    if (azimuth < 0.0) {
        azimuth += 360.0;
    }
    elevation = std::clamp(elevation + dy * 0.25, -10.0, 89.0);
}

void CameraRig::zoom(double clicks) {
    if (!std::isfinite(clicks)) {
        return;
    }
    distance = std::clamp(distance * std::pow(0.9, clicks), kMinOrbitDistance, kMaxOrbitDistance);
}

CameraRig::View CameraRig::viewOf(const Subject& subject, const HeightField* terrain) const {
    const glm::dvec3 pilot = toGlm(subject.pilot);
    const glm::dvec3 forward = along(subject.heading);
    View view;
    switch (mode) {
    case Mode::Chase:
    case Mode::Count:
        view.eye = pilot - forward * kChaseBack + glm::dvec3(0.0, 0.0, kChaseUp);
        view.target = pilot + forward * kChaseAhead;
        break;
    case Mode::PilotEye:
        // From the pilot's head, looking ahead and a little down, as a pilot
        // prone under the wing sees the ground go by.
        view.eye = pilot + glm::dvec3(0.0, 0.0, 0.3);
        view.target = view.eye + forward * 10.0 - glm::dvec3(0.0, 0.0, 1.5);
        break;
    case Mode::Orbit: {
        const double horizontal = distance * std::cos(elevation * kDegrees);
        view.eye = pilot + along(azimuth) * horizontal + glm::dvec3(0.0, 0.0, distance * std::sin(elevation * kDegrees));
        view.target = pilot;
        break;
    }
    case Mode::Ground: {
        view.eye = toGlm(subject.launch) + glm::dvec3(kGroundOffset, 0.0, 0.0);
        const double ground = terrain ? terrain->heightAt(view.eye.x, view.eye.y) : 0.0;
        view.eye.z = ground + kEyeHeight;
        view.target = pilot;
        break;
    }
    }
    if (terrain) {
        const double ground = terrain->heightAt(view.eye.x, view.eye.y);
        view.eye.z = std::max(view.eye.z, ground + kMinClearance);
    }
    // Looking straight up or down leaves lookAt without a horizon: tip the up
    // vector towards the heading instead.
    const glm::dvec3 sight = view.target - view.eye;
    if (glm::length(glm::cross(sight, view.up)) < 1e-6 * std::max(1.0, glm::length(sight))) {
        view.up = forward;
    }
    return view;
}

glm::dmat4 CameraRig::viewMatrix(const View& view) { return glm::lookAt(view.eye, view.target, view.up); }

glm::dmat4 CameraRig::projection(double aspect, double farDistance) {
    return glm::perspective(60.0 * kDegrees, aspect > 0.0 ? aspect : 1.0, 0.5, farDistance);
}
