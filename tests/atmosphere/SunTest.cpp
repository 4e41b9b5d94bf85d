#include <gtest/gtest.h>

#include <cmath>

#include "atmosphere/Sun.h"
#include "physics/SharedConstants.h"

// Reference positions from the sun's geometry: at solar noon the elevation is
// 90° less the latitude's distance from the declination (0° at the March
// equinox, +23.44° at the June solstice, -23.44° at the December one); at the
// equator on the June solstice the sun sets 23.44° north of west.

TEST(SunPosition, MatchesKnownPositionsWithinHalfADegree) {
    struct Case {
        const char* what;
        SunMoment moment;
        double latitude;
        double longitude;
        double elevation;
        double azimuth; // negative: not checked (too near the zenith to say)
    };
    const Case cases[] = {
        {"Greenwich, March equinox noon", {2024, 3, 20, 12.0 + 7.5 / 60.0}, 51.48, 0.0, 38.52, 180.0},
        {"46.5 N, June solstice noon", {2026, 6, 21, 12.0 + 1.7 / 60.0}, 46.5, 0.0, 66.94, 180.0},
        {"equator, June solstice sunset", {2026, 6, 21, 18.0 + 1.7 / 60.0}, 0.0, 0.0, 0.0, 293.44},
        {"Sydney, December solstice noon", {2026, 12, 21, 12.0 - 151.21 / 15.0 - 1.9 / 60.0}, -33.87, 151.21, 79.57,
         -1.0},
        // Worked by hand: declination 21.6°, equation of time -6 min, hour angle 23.5°.
        {"Alps, July afternoon", {2026, 7, 15, 13.0 + 8.0 / 60.0}, 46.0, 8.0, 59.0, 226.0},
    };
    for (const Case& c : cases) {
        const SunPosition p = sun::positionAt(c.moment, c.latitude, c.longitude);
        EXPECT_NEAR(p.elevation, c.elevation, 0.5) << c.what;
        if (c.azimuth >= 0.0) {
            EXPECT_NEAR(p.azimuth, c.azimuth, 0.6) << c.what;
        }
    }
}

TEST(SunPosition, DirectionPointsAlongAzimuthAndElevation) {
    const Vector3D south = sun::direction(SunPosition{180.0, 0.0});
    EXPECT_NEAR(south.y, -1.0, 1e-12);
    const Vector3D west = sun::direction(SunPosition{270.0, 30.0});
    EXPECT_NEAR(west.x, -std::cos(30.0 * kPi / 180.0), 1e-12);
    EXPECT_NEAR(west.z, 0.5, 1e-12);
    EXPECT_NEAR(west.x * west.x + west.y * west.y + west.z * west.z, 1.0, 1e-12);
}
