#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "atmosphere/Atmosphere.h"
#include "atmosphere/RandomThermals.h"
#include "terrain/RidgeHeightField.h"

namespace {

RandomThermals day(std::uint64_t seed) {
    RandomThermals scatter;
    scatter.count = 40;
    scatter.seed = seed;
    scatter.density = 2.0;
    scatter.updraft = 2.5;
    scatter.radius = 80.0;
    scatter.spread = 0.4;
    return scatter;
}

bool sameBits(const std::vector<Thermal>& a, const std::vector<Thermal>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Thermal)) == 0;
}

} // namespace

TEST(RandomThermals, TheSameSeedGivesTheSameThermalsToTheBit) {
    EXPECT_TRUE(sameBits(scatterThermals(day(7), 100.0, -50.0), scatterThermals(day(7), 100.0, -50.0)));
    EXPECT_FALSE(sameBits(scatterThermals(day(7), 100.0, -50.0), scatterThermals(day(8), 100.0, -50.0)));
}

TEST(RandomThermals, ScatteredOverTheirSquareWithinTheirSpread) {
    const RandomThermals scatter = day(3);
    const std::vector<Thermal> thermals = scatterThermals(scatter, 100.0, -50.0);
    ASSERT_EQ(thermals.size(), 40u);
    const double half = 0.5 * std::sqrt(scatterArea(scatter)); // 20 km² at 2 per km²
    EXPECT_NEAR(scatterArea(scatter), 20.0e6, 1e-6);
    double meanUpdraft = 0.0;
    for (const Thermal& t : thermals) {
        EXPECT_LE(std::fabs(t.x - 100.0), half);
        EXPECT_LE(std::fabs(t.y + 50.0), half);
        EXPECT_GE(t.updraft, 2.5 * 0.6);
        EXPECT_LE(t.updraft, 2.5 * 1.4);
        EXPECT_GE(t.radius, 80.0 * 0.6);
        EXPECT_LE(t.radius, 80.0 * 1.4);
        meanUpdraft += t.updraft / 40.0;
    }
    EXPECT_NEAR(meanUpdraft, 2.5, 0.25);
    EXPECT_TRUE(scatterThermals(RandomThermals{}, 0.0, 0.0).empty()) << "count 0: none";
}

TEST(Atmosphere, AddsThermalsAndRidgeLiftToTheWindsVerticalOnly) {
    const auto ridge = generateRidgeHeightField(RidgeShape{});
    const Vector3D wind(0.0, 8.0, 0.5);
    Atmosphere air(wind, ridge.get());
    const Vector3D over(0.0, -100.0, 120.0);
    EXPECT_EQ(air.velocityAt(over, 3.0), wind) << "only the wind until told more";

    air.enableRidgeLift();
    const RidgeLift ridgeLift(*ridge, wind);
    const double ground = ridge->heightAt(over.x, over.y);
    EXPECT_EQ(air.velocityAt(over, 3.0),
              Vector3D(0.0, 8.0, 0.5 + ridgeLift.verticalVelocity(over.x, over.y, over.z - ground)));

    air.setThermals(std::make_unique<ThermalField>(std::vector<Thermal>{Thermal{0.0, -100.0, 3.0, 100.0}}, 1500.0,
                                                   0.0, 0.0, 1.0e6));
    const Vector3D withBoth = air.velocityAt(over, 0.0);
    EXPECT_EQ(withBoth.x, 0.0);
    EXPECT_EQ(withBoth.y, 8.0);
    EXPECT_GT(withBoth.z - (0.5 + ridgeLift.verticalVelocity(over.x, over.y, over.z - ground)), 1.0)
        << "the thermal's core adds its updraft";
}
