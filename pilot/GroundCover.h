#pragma once

#include <cstdint>

#include <glm/glm.hpp>

#include "physics/Vector3D.h"
#include "pilot/SceneLight.h"

struct AerialImagery;
class HeightField;

// What covers the ground and how the sun and sky light it: meadow and
// patches of forest below the tree line, scree above it, bare rock where
// it is too steep to hold soil, snow high up where it can lie. The sun and
// the terrain never change during a flight, so every sample's lit colour is
// worked out once, before the first frame; the drawing adds only the haze
// and the grain near the eye.
namespace ground {

constexpr double kTreeLine = 1900.0; // (unit: m) above it no forest, scree on the slopes
constexpr double kSnowLine = 2800.0; // (unit: m) above it snow lies where it is not too steep

// The bare colour of the ground at (x, y) m, `height` m high, its surface
// normal `normal` (unit).
glm::vec3 materialAt(double x, double y, double height, const Vector3D& normal);

// The light falling on ground whose surface normal is `normal` (unit):
// direct sun on the slopes facing it, the sky's light on every slope (less
// where the ground faces sideways and sees less sky).
glm::vec3 lightAt(const Vector3D& normal, const SceneLight& light);

// The bare colour so lit.
glm::vec3 litAt(double x, double y, double height, const Vector3D& normal, const SceneLight& light);

// Aerial imagery over `field` made whole: where it shows nothing (beyond its
// edge, no-data) or only part, the bare colour of the nearest sample shows
// through, so that every texel is the ground's colour and fully covered.
void underlayCovers(AerialImagery& imagery, const HeightField& field);

// A lit colour packed for the GPU: 8 bits a channel over 0 to 2 (lit colours
// may exceed 1 before the haze is mixed in).
std::uint32_t pack(const glm::vec3& colour);

} // namespace ground
