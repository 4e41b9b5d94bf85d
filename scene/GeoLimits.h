#pragma once

// The places on the Earth a flight may be put: longitude offsets are scaled
// by 1 / cos(latitude), so the poles are out.
namespace geo {

constexpr const char* kCoordinateRule =
    "latitude must lie strictly between -90 and 90 and longitude within -180 to 180";

inline bool isUsableCoordinate(double latitude, double longitude) {
    return latitude > -90.0 && latitude < 90.0 && longitude >= -180.0 && longitude <= 180.0;
}

} // namespace geo
