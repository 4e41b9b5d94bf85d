#include <gtest/gtest.h>

#include <cmath>

#include "atmosphere/RidgeLift.h"
#include "terrain/RidgeHeightField.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

// A plane rising northwards, 1 in 5.
HeightField slopeNorth() {
    HeightField field(41, 41, -200.0, -200.0, 10.0, 0.0);
    for (int i = 0; i < 41; ++i) {
        for (int j = 0; j < 41; ++j) {
            field.setSample(i, j, 0.2 * (-200.0 + 10.0 * j));
        }
    }
    return field;
}

} // namespace

TEST(RidgeLift, AtTheSurfaceTheAirFollowsTheSlope) {
    FloatingPointTraps traps;
    const HeightField plane = slopeNorth();
    // 5 m/s up a 1-in-5 slope rises at 1 m/s; across the slope nothing rises;
    // down it the air sinks as fast.
    EXPECT_NEAR(RidgeLift(plane, Vector3D(0.0, 5.0, 0.0)).verticalVelocity(0.0, 0.0, 0.0), 1.0, 1e-12);
    EXPECT_NEAR(RidgeLift(plane, Vector3D(5.0, 0.0, 0.0)).verticalVelocity(0.0, 0.0, 0.0), 0.0, 1e-12);
    EXPECT_NEAR(RidgeLift(plane, Vector3D(0.0, -5.0, 0.0)).verticalVelocity(0.0, 0.0, 0.0), -1.0, 1e-12);
    // At 45° to the slope, only the component up it counts.
    EXPECT_NEAR(RidgeLift(plane, Vector3D(3.0, 4.0, 0.0)).verticalVelocity(0.0, 0.0, 0.0), 0.8, 1e-12);
    // No wind, no lift; vertical wind does not climb slopes.
    EXPECT_EQ(RidgeLift(plane, Vector3D(0.0, 0.0, 2.0)).verticalVelocity(0.0, 0.0, 0.0), 0.0);
}

TEST(RidgeLift, RisesOnTheWindwardFaceSinksInTheLeeAndFadesWithHeight) {
    RidgeShape shape;
    const auto ridge = generateRidgeHeightField(shape);
    const RidgeLift lift(*ridge, Vector3D(0.0, 8.0, 0.0)); // blowing north, onto the south face
    const double windward = lift.verticalVelocity(0.0, -100.0, 30.0);
    const double lee = lift.verticalVelocity(0.0, 100.0, 30.0);
    EXPECT_GT(windward, 2.0);
    EXPECT_LT(lee, -2.0);
    EXPECT_NEAR(lift.verticalVelocity(0.0, 0.0, 30.0), 0.0, 1e-9) << "level on the crest";
    EXPECT_GT(lift.verticalVelocity(0.0, -100.0, 10.0), windward);
    EXPECT_LT(lift.verticalVelocity(0.0, -100.0, 300.0), 0.2 * windward);
    EXPECT_GT(lift.verticalVelocity(0.0, -300.0, 150.0), 0.1) << "high up the lift reaches out in front";
    EXPECT_NEAR(lift.verticalVelocity(0.0, -1000.0, 10.0), 0.0, 1e-3) << "none over the far plain";
}

TEST(RidgeTerrain, IsTheBellAlongItsWholeLength) {
    RidgeShape shape;
    shape.height = 80.0;
    shape.width = 120.0;
    shape.crestY = 50.0;
    const auto ridge = generateRidgeHeightField(shape);
    for (double x : {-1400.0, 0.0, 900.0, 5000.0}) {
        EXPECT_NEAR(ridge->heightAt(x, 50.0), 80.0, 1e-9);
        EXPECT_NEAR(ridge->heightAt(x, 50.0 - 120.0), 80.0 / std::exp(1.0), 1e-9);
        EXPECT_LT(ridge->heightAt(x, 50.0 + 700.0), 0.01);
    }
    EXPECT_TRUE(ridge->hasNormals());
}
