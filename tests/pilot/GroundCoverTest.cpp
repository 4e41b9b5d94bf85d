#include <gtest/gtest.h>

#include <cmath>

#include "pilot/GroundCover.h"
#include "physics/SharedConstants.h"

namespace {

float brightness(const glm::vec3& c) { return 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b; }

// A slope of `degrees` whose downhill side faces `azimuth` (degrees clockwise from north).
Vector3D slope(double degrees, double azimuth) {
    const double s = degrees * kPi / 180.0;
    const double a = azimuth * kPi / 180.0;
    return Vector3D(std::sin(s) * std::sin(a), std::sin(s) * std::cos(a), std::cos(s));
}

} // namespace

// The two faces of one ridge, 25 degrees steep, facing the sun and turned
// from it: the sunlit face is at least a third brighter, with a high sun,
// the default afternoon sun and a low evening sun alike.
TEST(GroundCover, TheSunlitFaceOfARidgeIsAtLeastAThirdBrighterThanTheShadedOne) {
    for (const SunPosition sun : {SunPosition{180.0, 60.0}, SunPosition{}, SunPosition{235.0, 6.0}}) {
        const SceneLight light = SceneLight::from(sun);
        const glm::vec3 lit = ground::litAt(0.0, 0.0, 500.0, slope(25.0, sun.azimuth), light);
        const glm::vec3 shaded = ground::litAt(0.0, 0.0, 500.0, slope(25.0, sun.azimuth + 180.0), light);
        EXPECT_GE(brightness(lit), 4.0f / 3.0f * brightness(shaded)) << "sun at " << sun.elevation << " degrees";
    }
}

TEST(GroundCover, SnowLiesHighOnGentleSlopesRockShowsWhereItIsSteepAndMeadowsAreGreen) {
    const Vector3D flat(0.0, 0.0, 1.0);
    const glm::vec3 meadow = ground::materialAt(10.0, 10.0, 300.0, flat);
    const glm::vec3 snow = ground::materialAt(10.0, 10.0, 3400.0, slope(15.0, 0.0));
    const glm::vec3 cliff = ground::materialAt(10.0, 10.0, 1200.0, slope(60.0, 0.0));
    EXPECT_GT(meadow.g, meadow.r);
    EXPECT_GT(meadow.g, meadow.b);
    EXPECT_GT(std::min({snow.r, snow.g, snow.b}), 0.85f);
    EXPECT_NEAR(cliff.r, cliff.g, 0.05f);
    EXPECT_LT(cliff.r, 0.5f);
    // Bright colours keep their place when packed for the GPU.
    EXPECT_EQ(ground::pack(glm::vec3(1.0f, 0.0f, 2.5f)) & 0xffffffu, 128u | (0u << 8) | (255u << 16));
}
