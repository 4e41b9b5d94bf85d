#pragma once

#include <string>

#include "physics/Vector3D.h"
#include "terrain/GeoCoordinate.h"
#include "terrain/MapProjection.h"
#include "terrain/HeightField.h"

// Where the glider starts over terrain read from an elevation model.
namespace start {

// Above the window's centre unless told otherwise, as high over the ground
// as the classic start is over its plain.
constexpr double kDemStartHeight = 135.0;    // (unit: metres above the ground)
// The wing and the pilot hang below the hub: any lower and they start in the ground.
constexpr double kMinDemStartHeight = 2.0;   // (unit: metres above the ground)
constexpr double kMaxDemStartHeight = 10000.0; // (unit: metres above the ground)

// The hub's start position `height` metres above the ground at `point`.
// Returns an empty string, or why the point is refused (it lies outside the
// terrain, or off the map) and leaves `position` as it was.
std::string demStartPosition(const HeightField& terrain, const MapProjection& projection,
                             const GeoCoordinate& point, double height, Vector3D& position);
// The same above the world origin, the window's centre.
Vector3D demStartAboveCentre(const HeightField& terrain, double height);

} // namespace start
