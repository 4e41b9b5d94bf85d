#pragma once

#include "physics/Vector3D.h"

// The sun's place in the sky as seen from the ground.
struct SunPosition {
    double azimuth = 200.0;  // (unit: degrees) clockwise from north: 90 east, 180 south
    double elevation = 40.0; // (unit: degrees) above the horizon; negative at night
};

// A moment on the Earth: the civil date and the time of day in universal time.
struct SunMoment {
    int year = 2026;
    int month = 7;  // 1 to 12
    int day = 15;   // 1 to 31
    double utcHours = 12.0; // (unit: h) 0 to 24
};

namespace sun {

// The sun's position at `moment` seen from (latitude, longitude) in degrees,
// longitude positive east, by NOAA's general solar position equations
// (the fractional year's series for the declination and the equation of
// time): within about half a degree, refraction left out.
SunPosition positionAt(const SunMoment& moment, double latitude, double longitude);

// A unit vector towards the sun in the world's frame: x east, y north, z up.
Vector3D direction(const SunPosition& position);

// 1 to 366.
int dayOfYear(int year, int month, int day);

} // namespace sun
