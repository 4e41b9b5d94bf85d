#include <gtest/gtest.h>

#include "physics/Vector3D.h"

TEST(VectorAlgebra, CrossProductIsRightHanded) {
    EXPECT_EQ(Vector3D(1, 0, 0).cross(Vector3D(0, 1, 0)), Vector3D(0, 0, 1));
    EXPECT_EQ(Vector3D(0, 1, 0).cross(Vector3D(1, 0, 0)), Vector3D(0, 0, -1));
}

TEST(VectorAlgebra, ValueDivisionMultipliesByTheRoundedReciprocalButInPlaceDivisionDivides) {
    const Vector3D five(5, 0, 0);
    Vector3D divided = five;
    divided /= 3.0;
    EXPECT_EQ((five / 3.0).x, 5.0 * (1.0 / 3.0));
    EXPECT_EQ(divided.x, 5.0 / 3.0);
    EXPECT_NE((five / 3.0).x, divided.x);

    Vector3D quartered = five;
    quartered /= 4.0;
    EXPECT_EQ((five / 4.0).x, 1.25);
    EXPECT_EQ(quartered.x, 1.25);
}

TEST(VectorAlgebra, LengthsAndNormalization) {
    Vector3D v(3, 0, 4);
    EXPECT_EQ(v.length(), 5.0);
    EXPECT_EQ(v.squaredLength(), 25.0);
    v.normalize();
    EXPECT_DOUBLE_EQ(v.x, 0.6);
    EXPECT_EQ(v.y, 0.0);
    EXPECT_DOUBLE_EQ(v.z, 0.8);
}

TEST(VectorAlgebra, NormalizingTheZeroVectorLeavesItZeroInsteadOfNaN) {
    Vector3D zero(0, 0, 0);
    zero.normalize();
    EXPECT_EQ(zero, Vector3D(0, 0, 0));
}

TEST(VectorAlgebra, DistanceIsSymmetricAndDifferenceConstructionPointsFromAToB) {
    const Vector3D a(1, 1, 1);
    const Vector3D b(2, 3, 4);
    EXPECT_EQ(Vector3D(a, b), Vector3D(1, 2, 3));
    EXPECT_EQ(a.distanceTo(b), b.distanceTo(a));
    EXPECT_DOUBLE_EQ(a.distanceTo(b), std::sqrt(14.0));
}

TEST(VectorAlgebra, DotProductSumsTheZTermFirst) {
    // Chosen so that the summation order shows in the last bit.
    const Vector3D a(1.0, 1e-16, -1.0);
    const Vector3D b(1.0, 1.0, 1.0);
    const double zFirst = (-1.0 + 1e-16) + 1.0;
    const double xFirst = (1.0 + 1e-16) + -1.0;
    ASSERT_NE(zFirst, xFirst);
    EXPECT_EQ(a.dot(b), zFirst);
}
