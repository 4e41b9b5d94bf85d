#pragma once

#include <array>

#include "tools/flight/FlightOptions.h"

// World metres to the fields of an IGC fix. The world is small next to the
// Earth, so a local projection on a sphere serves: +y is north, +x is east,
// and an eastward metre spans more longitude the further from the equator.
namespace flight {

constexpr double kEarthRadius = 6371000.0; // (unit: metres)

struct GeoPoint {
    double latitude = 0.0;  // (unit: degrees north)
    double longitude = 0.0; // (unit: degrees east)
};

// The point `east` and `north` metres from the origin. Longitude offsets are
// scaled by 1 / cos(origin latitude); the result is wrapped into -180..180
// and its latitude clamped to the poles.
GeoPoint geoPointOf(const GeoOrigin& origin, double east, double north);

// "DDMMmmmN": degrees, minutes and thousandths of a minute, hemisphere,
// for latitudes within -90..90.
// The angle is rounded to whole thousandths of a minute before it is split,
// so the minutes never read 60.000.
std::array<char, 9> igcLatitude(double degrees);
// "DDDMMmmmE", likewise, for longitudes within -180..180.
std::array<char, 10> igcLongitude(double degrees);

// Whole metres within 1..99999: the field has five digits, and readers take
// 00000 for a missing altitude.
int igcAltitude(double metres);

// "HHMMSS" for a time of day given in seconds, wrapped at midnight.
std::array<char, 7> igcClock(long long secondsOfDay);

} // namespace flight
