#include <GL/gl.h>
#include <GL/freeglut.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "app/Pacing.h"
#include "tests/app/AppFixture.h"
#include "tests/support/GlExpectations.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

using glrec::Call;
using glrec::expectCall;

std::size_t indexOfFirst(Call call, std::size_t from = 0) {
    const std::vector<glrec::Record>& calls = glrec::calls();
    for (std::size_t i = from; i < calls.size(); ++i) {
        if (calls[i].call == call) {
            return i;
        }
    }
    return calls.size();
}

std::string drawnText() {
    std::string text;
    for (const glrec::Record& r : glrec::calls()) {
        if (r.call == Call::BitmapCharacter) {
            text += static_cast<char>(r.a[0]);
            EXPECT_EQ(r.a[1], static_cast<double>(reinterpret_cast<std::uintptr_t>(GLUT_BITMAP_HELVETICA_18)));
        }
    }
    return text;
}

using Display = StartedApp;

TEST_F(Display, ReshapeFollowsTheWindowAspectAndSurvivesAZeroSize) {
    FloatingPointTraps traps;
    reshape(640, 480);
    const std::vector<glrec::Record>& calls = glrec::calls();
    ASSERT_EQ(calls.size(), 6u);
    expectCall(calls[0], Call::Viewport, {0, 0, 640, 480});
    expectCall(calls[1], Call::MatrixMode, {GL_PROJECTION});
    expectCall(calls[2], Call::LoadIdentity);
    const double aspect = static_cast<float>(640.0 / 480.0);
    expectCall(calls[3], Call::Frustum, {-aspect, aspect, -1.0, 1.0, 2.5, 500.0});
    expectCall(calls[4], Call::MatrixMode, {GL_MODELVIEW});
    expectCall(calls[5], Call::LoadIdentity);

    // A minimised window: the frustum stays finite and non-degenerate.
    const int sizes[][2] = {{640, 0}, {0, 480}, {0, 0}};
    for (const auto& size : sizes) {
        glrec::clear();
        reshape(size[0], size[1]);
        const glrec::Record& frustum = glrec::calls()[indexOfFirst(Call::Frustum)];
        EXPECT_TRUE(std::isfinite(frustum.a[1])) << size[0] << "x" << size[1];
        EXPECT_GT(frustum.a[1], frustum.a[0]) << size[0] << "x" << size[1];
        expectCall(glrec::calls()[0], Call::Viewport, {0, 0, double(size[0]), double(size[1])});
    }
}

TEST_F(Display, FrameDrawsCameraOnTheProjectionTerrainThenGliderThenRedStatusLine) {
    display();
    const std::vector<glrec::Record>& calls = glrec::calls();
    std::size_t i = 0;
    expectCall(calls[i++], Call::Clear, {GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT});
    expectCall(calls[i++], Call::MatrixMode, {GL_PROJECTION});
    expectCall(calls[i++], Call::PushMatrix);
    expectCall(calls[i++], Call::Translatef, {0.0, 0.0, -10.0});
    expectCall(calls[i++], Call::Rotatef, {-60.0, 1.0, 0.0, 0.0});
    expectCall(calls[i++], Call::Rotatef, {-170.0, 0.0, 0.0, 1.0});
    expectCall(calls[i++], Call::Translatef, {0.0, 0.0, -2.0}); // centred on (0, 0, 2) before any step
    expectCall(calls[i++], Call::MatrixMode, {GL_MODELVIEW});
    expectCall(calls[i++], Call::LoadIdentity);

    // Terrain: 99 strips; then the glider's 3n^2 wing vertices.
    expectCall(calls[i], Call::Begin, {GL_TRIANGLE_STRIP});
    const std::size_t gliderBegin = indexOfFirst(Call::Begin, indexOfFirst(Call::PushMatrix, i));
    expectCall(calls[gliderBegin], Call::Begin, {GL_TRIANGLES});
    std::size_t strips = 0;
    for (std::size_t k = i; k < gliderBegin; ++k) {
        strips += calls[k].call == Call::Begin ? 1 : 0;
    }
    EXPECT_EQ(strips, 99u);
    EXPECT_EQ(glrec::count(Call::Vertex3d), 3u * 8u * 8u); // its normals: GliderDrawingTest

    // Back to the plain frustum, unlit red text, state restored, shown.
    i = indexOfFirst(Call::MatrixMode, gliderBegin);
    expectCall(calls[i++], Call::MatrixMode, {GL_PROJECTION});
    expectCall(calls[i++], Call::PopMatrix);
    expectCall(calls[i++], Call::Color3f, {1.0, 0.0, 0.0});
    expectCall(calls[i++], Call::Disable, {GL_LIGHTING});
    expectCall(calls[i++], Call::Disable, {GL_DEPTH_TEST});
    expectCall(calls[i++], Call::RasterPos3f, {-5.1f, -3.8f, -10.0f});
    i += drawnText().size();
    expectCall(calls[i++], Call::Enable, {GL_LIGHTING});
    expectCall(calls[i++], Call::Enable, {GL_DEPTH_TEST});
    expectCall(calls[i++], Call::Flush);
    expectCall(calls[i++], Call::SwapBuffers);
    EXPECT_EQ(i, calls.size());
    EXPECT_EQ(glrec::count(Call::PushMatrix), glrec::count(Call::PopMatrix));
}

TEST_F(Display, StatusLineShowsStepTimeAndThePilotBeforeAndAfterFlying) {
    const Vector3D start = glider->pilotParticle().position;
    char expected[300];
    std::snprintf(expected, sizeof expected,
                  "Time=0.00 Terrain=%.1f Pos=(0.0, 150.2, 134.6) Vel=(0.0, 0.0, 0.0)  Speed=0.0",
                  terrain->heightAt(start.x, start.y));
    display();
    EXPECT_EQ(drawnText(), expected);

    advanceSimulation(4);
    advanceSimulation(3);
    const StatusValues status = gatherStatus();
    EXPECT_EQ(status.time, 7 * 0.01);
    const Vector3D& pilot = glider->pilotParticle().position;
    EXPECT_EQ(status.position, pilot);
    EXPECT_EQ(status.terrainHeight, terrain->heightAt(pilot.x, pilot.y));
    EXPECT_EQ(status.velocity, world->velocityOf(glider->pilotParticle()));
    EXPECT_EQ(status.speed, status.velocity.length());
    EXPECT_LT(status.velocity.z, 0.0); // it has started to sink
}

TEST(StatusLine, FormatsEveryFigureWithOneDecimalAndTimeWithTwo) {
    const StatusValues status{12.345, -3.25, Vector3D(1.04, -2.06, 3.0), Vector3D(-0.04, 5.55, -7.0), 9.96};
    char line[kStatusLineSize];
    const std::size_t length = formatStatusLine(status, line, sizeof line);
    const std::string text = "Time=12.35 Terrain=-3.2 Pos=(1.0, -2.1, 3.0) Vel=(-0.0, 5.5, -7.0)  Speed=10.0";
    EXPECT_EQ(std::string(line), text);
    EXPECT_EQ(length, text.size());
}

TEST(StatusLine, AbsurdMagnitudesAreCutToTheBufferNotWrittenPastIt) {
    const double huge = 1e300;
    const double inf = std::numeric_limits<double>::infinity();
    const StatusValues status{huge, -huge, Vector3D(huge, huge, huge), Vector3D(-huge, inf, huge), inf};
    char line[kStatusLineSize + 8];
    std::memset(line, '#', sizeof line);
    const std::size_t length = formatStatusLine(status, line, kStatusLineSize);
    EXPECT_EQ(length, kStatusLineSize - 1);
    EXPECT_EQ(line[kStatusLineSize - 1], '\0');
    EXPECT_EQ(std::strlen(line), length);
    EXPECT_EQ(line[kStatusLineSize], '#'); // untouched beyond the buffer
    EXPECT_EQ(std::string(line).rfind("Time=1000000", 0), 0u);
}

} // namespace
