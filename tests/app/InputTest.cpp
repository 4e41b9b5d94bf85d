#include <GL/freeglut.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/Input.h"
#include "app/Pacing.h"
#include "scene/StartScene.h"
#include "tests/app/AppFixture.h"

namespace {

using glrec::Call;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

using Keys = StartedApp;

TEST_F(Keys, OrdinaryKeysEchoTheirCodeAndDoNothingElse) {
    CaptureStdout();
    keyboard('a', 10, 20);
    keyboard(200, 0, 0); // codes above 127 print as 0..255, not negative
    keyboard('q', 0, 0);
    EXPECT_EQ(GetCapturedStdout(), "key: 97\nkey: 200\nkey: 113\n");
    EXPECT_EQ(glrec::total(), 0u); // no redisplay
}

TEST_F(Keys, EscapeEchoesTwentySevenAndExitsWithStatusZero) {
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO); // let the death test see the echo
            keyboard(27, 0, 0);
        },
        testing::ExitedWithCode(0), "^key: 27\n$");
}

TEST_F(Keys, ArrowsSteerSilentlyUnassignedKeysEchoAndFOneResetsKeepingTheSteering) {
    const Vector3D reference = glider->pilotReference();
    CaptureStdout();
    special(GLUT_KEY_LEFT, 0, 0);
    special(GLUT_KEY_UP, 0, 0);
    special(GLUT_KEY_UP, 0, 0);
    special(GLUT_KEY_RIGHT, 0, 0);
    special(GLUT_KEY_DOWN, 0, 0);
    special(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(glider->pilotReference().x, reference.x + 0.01 - 0.01 + 0.01);
    EXPECT_EQ(glider->pilotReference().y, reference.y - 0.05 - 0.05 + 0.05);
    const Vector3D steered = glider->pilotReference();

    CaptureStdout();
    special(GLUT_KEY_F2, 0, 0);
    special(GLUT_KEY_HOME, 0, 0);
    EXPECT_EQ(GetCapturedStdout(), "special key: 2\nspecial key: 106\n");
    EXPECT_EQ(glider->pilotReference(), steered);

    advanceSimulation(50);
    CaptureStdout();
    special(GLUT_KEY_F1, 0, 0);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_LT(glider->hubParticle().position.distanceTo(Vector3D(0.0, 150.0, 135.0)), 1e-9);
    EXPECT_EQ(world->velocityOf(glider->pilotParticle()), Vector3D(0.0, 0.0, 0.0));
    EXPECT_EQ(glider->pilotReference(), steered);
    EXPECT_EQ(stepCount, 50); // the clock runs on
    EXPECT_EQ(glrec::count(Call::PostRedisplay), 1u); // from the steps only
}

using Mouse = StartedApp;

TEST_F(Mouse, LeftDragOrbitsWithinTheElevationLimitsAndShiftDragZoomsWithinTheDistanceLimits) {
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 300, 200);
    EXPECT_EQ(dragMode, 1);
    motion(340, 180); // right 40 px, up 20 px
    EXPECT_EQ(cameraAzimuth, -160.0f);
    EXPECT_EQ(cameraElevation, 35.0f);
    motion(340, -10000);
    EXPECT_EQ(cameraElevation, 90.0f);
    motion(340, 10000);
    EXPECT_EQ(cameraElevation, 0.0f);
    EXPECT_EQ(cameraDistance, 10.0f);
    EXPECT_EQ(glrec::count(Call::PostRedisplay), 3u);
    mouse(GLUT_LEFT_BUTTON, GLUT_UP, 340, 10000);
    EXPECT_EQ(dragMode, 0);

    glrec::setModifiers(GLUT_ACTIVE_SHIFT | GLUT_ACTIVE_CTRL);
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    glrec::setModifiers(0); // Shift counts at the press only
    EXPECT_EQ(dragMode, 2);
    motion(500, 90);
    EXPECT_FLOAT_EQ(cameraDistance, 11.0f);
    EXPECT_EQ(cameraAzimuth, -160.0f);
    motion(500, 100000);
    EXPECT_EQ(cameraDistance, 2.0f);
    motion(500, -100000);
    EXPECT_EQ(cameraDistance, 1000.0f);
    EXPECT_EQ(cameraElevation, 0.0f);
}

TEST_F(Mouse, AnyOtherButtonEndsTheDragAndOnlyTheLastPositionFollows) {
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 300, 200);
    mouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 300, 200); // left still held
    EXPECT_EQ(dragMode, 0);
    motion(400, 100);
    EXPECT_EQ(lastMouseX, 400);
    EXPECT_EQ(lastMouseY, 100);
    mouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 400, 100);
    motion(0, 0);
    EXPECT_EQ(cameraAzimuth, -170.0f);
    EXPECT_EQ(cameraElevation, 30.0f);
    EXPECT_EQ(cameraDistance, 10.0f);
    EXPECT_EQ(glrec::total(), 0u);
    // A new left press starts from where the pointer is, not from the old drag.
    mouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    motion(0, 4); // down 4 px
    EXPECT_EQ(cameraElevation, 29.0f);
}

} // namespace
