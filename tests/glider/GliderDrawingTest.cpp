#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "glider/Glider.h"
#include "physics/FloatRounding.h"
#include "scene/StartScene.h"
#include "tests/glider/RegisteredGlider.h"
#include "tests/support/FloatingPointTraps.h"
#include "tests/support/GlExpectations.h"
#include "tests/support/GlRecorder.h"

namespace {

using glrec::Call;
using glrec::expectCall;

// The wing index whose position a recorded vertex names; -1 if none.
int wingIndexAt(const Glider& glider, const glrec::Record& vertex) {
    for (int k = 0; k < glider.wingSize(); ++k) {
        const Vector3D& p = glider.wingParticle(k).position;
        if (p.x == vertex.a[0] && p.y == vertex.a[1] && p.z == vertex.a[2]) {
            return k;
        }
    }
    return -1;
}

// The wing indices of the drawn triangles, three per triangle, in call order.
std::vector<int> drawnWingIndices(const Glider& glider) {
    std::vector<int> indices;
    for (const glrec::Record& r : glrec::calls()) {
        if (r.call == Call::Vertex3d) {
            indices.push_back(wingIndexAt(glider, r));
        }
    }
    return indices;
}

class GliderDrawing : public ::testing::Test {
protected:
    void SetUp() override { glrec::clear(); }

    // The start glider, never registered: drawing reads only the positions.
    Glider glider{start::kGliderPosition, start::kSpan,     start::kChord,
                  start::kSubdivisions,  start::kWingMass,  start::kPilotMass};
};

TEST_F(GliderDrawing, DrawsTheWingThenTheHubLineThenThePilotSphereInBalancedMatrices) {
    glider.draw();

    const std::vector<glrec::Record>& calls = glrec::calls();
    const std::size_t wingVertices = 3 * 8 * 8;
    ASSERT_EQ(calls.size(), 3 + 2 * wingVertices + 1 + 5 + 5);
    std::size_t i = 0;
    expectCall(calls[i++], Call::PushMatrix);
    expectCall(calls[i++], Call::Color3f, {0.8f, 0.2f, 0.1f});
    expectCall(calls[i++], Call::Begin, {GL_TRIANGLES});
    for (std::size_t v = 0; v < wingVertices; ++v) {
        EXPECT_EQ(calls[i++].call, Call::Normal3d) << v;
        EXPECT_EQ(calls[i++].call, Call::Vertex3d) << v;
    }
    expectCall(calls[i++], Call::End);
    expectCall(calls[i++], Call::Color3f, {0.2f, 0.3f, 0.8f});
    expectCall(calls[i++], Call::Begin, {GL_LINES});
    const Vector3D pilot = glider.pilotParticle().position;
    const Vector3D hub = glider.hubParticle().position;
    expectCall(calls[i++], Call::Vertex3f, {roundedToFloat(pilot.x), roundedToFloat(pilot.y), roundedToFloat(pilot.z)});
    expectCall(calls[i++], Call::Vertex3f, {roundedToFloat(hub.x), roundedToFloat(hub.y), roundedToFloat(hub.z)});
    expectCall(calls[i++], Call::End);
    expectCall(calls[i++], Call::PushMatrix);
    expectCall(calls[i++], Call::Translated, {pilot.x, pilot.y, pilot.z});
    expectCall(calls[i++], Call::SolidSphere, {0.3, 8, 8});
    expectCall(calls[i++], Call::PopMatrix);
    expectCall(calls[i++], Call::PopMatrix);
}

TEST_F(GliderDrawing, ConstructionPoseNormalsAllPointAwayFromTheUpperSide) {
    FloatingPointTraps traps;
    glider.draw();
    const double s = std::sqrt(26.0);
    for (int k = 0; k < glider.wingSize(); ++k) {
        SCOPED_TRACE(k);
        expectNear(glider.vertexNormal(k), Vector3D(0.0, -1.0 / s, -5.0 / s), 1e-12);
    }
    // Each vertex is drawn with the normal of the particle it names.
    const std::vector<glrec::Record>& calls = glrec::calls();
    for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
        if (calls[i].call != Call::Normal3d) {
            continue;
        }
        const int k = wingIndexAt(glider, calls[i + 1]);
        ASSERT_GE(k, 0);
        EXPECT_EQ(Vector3D(calls[i].a[0], calls[i].a[1], calls[i].a[2]), glider.vertexNormal(k)) << k;
    }
}

TEST_F(GliderDrawing, WingIsCutAlongTheOtherDiagonalThanThePhysicsWithTheLastRowWhole) {
    const std::pair<int, std::vector<int>> cases[] = {
        {1, {0, 1, 2}},
        {2, {0, 1, 4, 0, 4, 2, 1, 3, 4, 2, 4, 5}},
        {3, {0, 1, 4, 0, 4, 2,                     // row 0: one diamond
             1, 3, 7, 1, 7, 4, 2, 4, 8, 2, 8, 5,   // row 1: two diamonds
             3, 6, 7, 4, 7, 8, 5, 8, 9}},          // last row: single triangles
    };
    for (const auto& [subdivisions, expected] : cases) {
        glrec::clear();
        Glider cut(start::kGliderPosition, start::kSpan, start::kChord, subdivisions, start::kWingMass,
                   start::kPilotMass);
        cut.draw();
        EXPECT_EQ(drawnWingIndices(cut), expected) << subdivisions;
    }
}

TEST_F(GliderDrawing, CollapsedWingDrawsFiniteNormals) {
    FloatingPointTraps traps;
    // No span and no chord: every drawn triangle is a point, has no normal,
    // and each vertex is drawn with the zero normal.
    Glider point(start::kGliderPosition, 0.0, 0.0, 2, start::kWingMass, start::kPilotMass);
    point.draw();
    for (int k = 0; k < point.wingSize(); ++k) {
        EXPECT_EQ(point.vertexNormal(k), Vector3D(0.0, 0.0, 0.0)) << k;
    }
    // No span: every triangle is a segment, whose cross product is zero or
    // rounding noise. Either way each normal is zero or of unit length.
    Glider line(start::kGliderPosition, 0.0, start::kChord, 3, start::kWingMass, start::kPilotMass);
    line.draw();
    for (int k = 0; k < line.wingSize(); ++k) {
        const double length = line.vertexNormal(k).length();
        EXPECT_TRUE(length == 0.0 || std::fabs(length - 1.0) < 1e-12) << k << ": " << length;
    }
    for (const glrec::Record& r : glrec::calls()) {
        for (double a : r.a) {
            EXPECT_TRUE(std::isfinite(a));
        }
    }
}

} // namespace
