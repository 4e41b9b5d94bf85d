#pragma once

#include <array>

#include "recording/GeoOrigin.h"

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
// scaled by 1 / cos(origin latitude); the result is wrapped into -180..180,
// however many turns it makes, and its latitude clamped to the poles.
GeoPoint geoPointOf(const GeoOrigin& origin, double east, double north);

// "DDMMmmmN": degrees, minutes and thousandths of a minute, hemisphere,
// for latitudes within -90..90.
// The angle is rounded to whole thousandths of a minute before it is split,
// so the minutes never read 60.000.
std::array<char, 9> igcLatitude(double degrees);
// "DDDMMmmmE", likewise, for longitudes within -180..180.
std::array<char, 10> igcLongitude(double degrees);

// An altitude field holds five characters: 00000 to 99999, or a minus sign
// and four digits below sea level.
constexpr int kIgcLowestAltitude = -9999;  // (unit: metres)
constexpr int kIgcHighestAltitude = 99999; // (unit: metres)

// Whole metres within the field's range, never 0: readers take 00000 for a
// missing altitude, so what rounds to 0 is written as 1 m on its side of it.
int igcAltitude(double metres);
// "00634", "-0012": the field for an altitude from igcAltitude.
std::array<char, 6> igcAltitudeField(int metres);

// "HHMMSS" for a time of day given in seconds, wrapped at midnight.
std::array<char, 7> igcClock(long long secondsOfDay);

} // namespace flight
