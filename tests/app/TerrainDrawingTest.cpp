#include <GL/gl.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "physics/FloatRounding.h"
#include "terrain/HeightField.h"
#include "tests/support/FloatingPointTraps.h"
#include "tests/support/GlExpectations.h"
#include "tests/support/GlRecorder.h"

namespace {

using glrec::Call;
using glrec::expectCall;

// 3 columns x 4 rows at 2 m from (-3, -4): heights 0, 1, ... 11 in index
// order, with the lowest (0) at sample (0, 0) and the highest at (2, 3).
HeightField rampField() {
    HeightField field(3, 4, -3.0, -4.0, 2.0, 0.0);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 3; ++i) {
            field.setSample(i, j, static_cast<double>(i + 3 * j));
        }
    }
    field.computeNormals();
    return field;
}

std::vector<glrec::Record> drawn(HeightField& field) {
    glrec::clear();
    field.draw();
    return glrec::calls();
}

TEST(TerrainDrawing, EachColumnOfCellsIsOneStripOfNormalColourVertexTriplesAlongY) {
    FloatingPointTraps traps;
    HeightField field = rampField();
    const std::vector<glrec::Record> calls = drawn(field);
    ASSERT_EQ(calls.size(), 2u * (2u + 2u * 4u * 3u));
    std::size_t c = 0;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(calls[c].call, Call::Begin);
        EXPECT_EQ(calls[c++].a[0], GL_TRIANGLE_STRIP);
        for (int j = 0; j < 4; ++j) {
            for (int a : {i, i + 1}) {
                const Vector3D& n = field.normalAt(a, j);
                const double h = field.sample(a, j);
                expectCall(calls[c++], Call::Normal3f, {roundedToFloat(n.x), roundedToFloat(n.y), roundedToFloat(n.z)});
                const glrec::Record& colour = calls[c++]; // green: the colour test below
                ASSERT_EQ(colour.call, Call::Color3f);
                EXPECT_EQ(colour.a[0], 0.5f);
                EXPECT_EQ(colour.a[2], 0.5f);
                expectCall(calls[c++], Call::Vertex3f,
                           {roundedToFloat(-3.0 + a * 2.0), roundedToFloat(-4.0 + j * 2.0), roundedToFloat(h)});
            }
        }
        EXPECT_EQ(calls[c++].call, Call::End);
    }
    // Same terrain, same calls.
    const std::vector<glrec::Record> again = drawn(field);
    ASSERT_EQ(again.size(), calls.size());
    for (std::size_t k = 0; k < calls.size(); ++k) {
        expectCall(again[k], calls[k].call, {calls[k].a[0], calls[k].a[1], calls[k].a[2]});
    }
}

TEST(TerrainDrawing, GreenRunsFromPurpleAtTheLowestToLightGreenAtTheHighest) {
    HeightField field(3, 2, 0.0, 0.0, 1.0, 0.0);
    field.setSample(0, 0, -2.0);
    field.setSample(1, 0, 1.5); // halfway
    field.setSample(2, 1, 5.0);
    field.computeNormals();
    std::vector<float> greens;
    for (const glrec::Record& r : drawn(field)) {
        if (r.call == Call::Color3f) {
            greens.push_back(static_cast<float>(r.a[1]));
        }
    }
    // Strip 0: (0,0) (1,0) (0,1) (1,1); strip 1: (1,0) (2,0) (1,1) (2,1).
    ASSERT_EQ(greens.size(), 8u);
    EXPECT_FLOAT_EQ(greens[0], 0.3f);
    EXPECT_FLOAT_EQ(greens[1], 0.65f);
    EXPECT_FLOAT_EQ(greens[7], 1.0f);
}

TEST(TerrainDrawing, DegenerateGridsDrawNothingOrEmptyStripsAndFlatGroundIsPurple) {
    FloatingPointTraps traps;
    HeightField column(1, 5, 0.0, 0.0, 1.0, 0.0);
    column.computeNormals();
    EXPECT_TRUE(drawn(column).empty());

    HeightField row(4, 1, 0.0, 0.0, 1.0, 0.0);
    row.computeNormals();
    const std::vector<glrec::Record> rowCalls = drawn(row);
    EXPECT_EQ(rowCalls.size(), 3u * (2u + 2u * 3u)); // three strips of two vertices

    // No height range: the low-end colour, not an infinite factor.
    HeightField flat(3, 3, 0.0, 0.0, 1.0, 7.5);
    flat.computeNormals();
    for (const glrec::Record& r : drawn(flat)) {
        if (r.call == Call::Color3f) {
            expectCall(r, Call::Color3f, {0.5f, 0.3f, 0.5f});
        }
    }
    EXPECT_EQ(glrec::count(Call::Color3f), 2u * 2u * 3u);
}

} // namespace
