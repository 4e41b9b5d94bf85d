#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "terrain/HeightField.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

// 4 x 3 samples, 2 m apart, from (-4, -3): sample (i, j) = 10 i + j.
HeightField makeRamp() {
    HeightField field(4, 3, -4.0, -3.0, 2.0, 0.0);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            field.setSample(i, j, 10.0 * i + j);
        }
    }
    field.computeNormals();
    return field;
}

} // namespace

TEST(HeightAt, ReturnsTheSampleExactlyAtEveryGridPoint) {
    const HeightField field = makeRamp();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(field.heightAt(-4.0 + 2.0 * i, -3.0 + 2.0 * j), 10.0 * i + j);
        }
    }
}

TEST(HeightAt, InterpolatesBilinearlyInsideACell) {
    const HeightField field = makeRamp();
    // Middle of cell (1, 0): mean of 10, 11, 20, 21.
    EXPECT_DOUBLE_EQ(field.heightAt(-1.0, -2.0), 15.5);
    // A quarter along x on row 1.
    EXPECT_DOUBLE_EQ(field.heightAt(-3.5, -1.0), 3.5);
}

TEST(HeightAt, IsContinuousAcrossCellBorders) {
    const HeightField field = makeRamp();
    const double onBorder = field.heightAt(0.3, -1.0);
    EXPECT_NEAR(field.heightAt(0.3, -1.0 - 1e-9), onBorder, 1e-7);
    EXPECT_NEAR(field.heightAt(0.3, -1.0 + 1e-9), onBorder, 1e-7);
}

TEST(HeightAt, FarEdgesAndPositionsOffTheGridTakeTheBorderHeights) {
    const HeightField field = makeRamp();
    // Last column and last row: read nothing past the grid.
    EXPECT_EQ(field.heightAt(2.0, 1.0), 32.0);
    EXPECT_DOUBLE_EQ(field.heightAt(2.0, 0.0), 31.5);
    EXPECT_DOUBLE_EQ(field.heightAt(-1.0, 1.0), 17.0);
    // Left of the grid: column 0 interpolated along y.
    EXPECT_DOUBLE_EQ(field.heightAt(-100.0, -2.0), 0.5);
    // Beyond corners: the corner samples.
    EXPECT_EQ(field.heightAt(1e6, 1e6), 32.0);
    EXPECT_EQ(field.heightAt(-1e6, -1e6), 0.0);
    EXPECT_EQ(field.heightAt(1e300, -1e300), 30.0);
}

TEST(HeightAt, NonFiniteCoordinatesStayOnTheGrid) {
    const HeightField field = makeRamp();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // NaN lands on the low edge, infinities on the matching border.
    EXPECT_EQ(field.heightAt(nan, -3.0), 0.0);
    EXPECT_EQ(field.heightAt(2.0, nan), 30.0);
    EXPECT_EQ(field.heightAt(nan, nan), 0.0);
    EXPECT_EQ(field.heightAt(inf, inf), 32.0);
    EXPECT_EQ(field.heightAt(-inf, inf), 2.0);
}

TEST(HeightAt, GridsWithoutCellsAnswerWithoutReadingPastTheirSamples) {
    HeightField column(1, 3, 0.0, 0.0, 1.0, 0.0);
    column.setSample(0, 0, 1.0);
    column.setSample(0, 1, 2.0);
    column.setSample(0, 2, 4.0);
    column.computeNormals();
    EXPECT_DOUBLE_EQ(column.heightAt(7.0, 1.5), 3.0);
    EXPECT_EQ(column.heightAt(-7.0, 9.0), 4.0);
    EXPECT_EQ(column.normalAt(0, 1), Vector3D(0, 0, 1));

    HeightField empty(0, 0, 0.0, 0.0, 1.0, 0.0);
    empty.computeNormals();
    EXPECT_EQ(empty.heightAt(1.0, 1.0), 0.0);
}

TEST(HeightAt, LargeGridIndicesDoNotOverflow) {
    // 50 000 x 2 samples: the last row's index needs more than 16 bits and
    // the product is formed in a size type.
    HeightField wide(50000, 2, 0.0, 0.0, 1.0, 0.0);
    wide.setSample(49999, 1, 7.0);
    EXPECT_EQ(wide.indexOf(49999, 1), 99999u);
    EXPECT_EQ(wide.heightAt(49999.0, 1.0), 7.0);
}

TEST(ComputeNormals, FlatGridHasVerticalNormalsAndAnEmptyRange) {
    FloatingPointTraps traps;
    HeightField flat(5, 4, -2.5, -2.0, 1.0, 3.0);
    EXPECT_FALSE(flat.hasNormals());
    flat.computeNormals();
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(flat.normalAt(i, j), Vector3D(0, 0, 1));
        }
    }
    EXPECT_EQ(flat.lowest(), 3.0);
    EXPECT_EQ(flat.highest(), 3.0);
}

TEST(ComputeNormals, SlopeAlongXTiltsEveryNormalAgainstIt) {
    FloatingPointTraps traps;
    const double a = 0.5;
    HeightField slope(6, 5, 0.0, 0.0, 2.0, 0.0);
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            slope.setSample(i, j, a * 2.0 * i);
        }
    }
    slope.computeNormals();
    const double norm = std::sqrt(a * a + 1.0);
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            const Vector3D& n = slope.normalAt(i, j);
            EXPECT_NEAR(n.x, -a / norm, 1e-12);
            EXPECT_NEAR(n.y, 0.0, 1e-12);
            EXPECT_NEAR(n.z, 1.0 / norm, 1e-12);
        }
    }
    EXPECT_EQ(slope.lowest(), 0.0);
    EXPECT_EQ(slope.highest(), 5.0);
}

TEST(ComputeNormals, SecondCallOnUnchangedHeightsChangesNothing) {
    HeightField field = makeRamp();
    field.setSample(1, 1, -4.0); // a pit, so normals differ from sample to sample
    field.computeNormals();
    std::vector<Vector3D> first;
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 4; ++i) {
            first.push_back(field.normalAt(i, j));
            EXPECT_NEAR(field.normalAt(i, j).length(), 1.0, 1e-12);
            EXPECT_GT(field.normalAt(i, j).z, 0.0);
        }
    }
    field.computeNormals();
    std::size_t k = 0;
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(field.normalAt(i, j), first[k++]);
        }
    }
    EXPECT_EQ(field.lowest(), -4.0);
    EXPECT_EQ(field.highest(), 32.0);
}
