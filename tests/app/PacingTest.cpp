#include <gtest/gtest.h>

#include <cstdint>

#include "app/Pacing.h"
#include "scene/StartScene.h"
#include "tests/app/AppFixture.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

using glrec::Call;

std::uint32_t fakeNow = 0;
std::uint32_t fakeTick() { return fakeNow; }

using Pacing = StartedApp;

TEST_F(Pacing, StartUpBuildsTheGeneratedTerrainAndRegistersTheGliderDrawnAfterIt) {
    ASSERT_EQ(scene.size(), 2u);
    EXPECT_EQ(scene[0], terrain.get());
    EXPECT_EQ(scene[1], glider.get());
    EXPECT_EQ(terrain->columnCount(), 100);
    EXPECT_EQ(terrain->gridSpacing(), 5.0);
    EXPECT_EQ(world->terrainField(), terrain.get());
    EXPECT_EQ(world->particleCount(), 49);
    EXPECT_EQ(world->constraintCount(), 198);
    EXPECT_EQ(stepCount, 0);
}

TEST_F(Pacing, StepsFollowThePilotCountAndAskForOneRedisplayPerBatch) {
    FloatingPointTraps traps;
    start::Flight reference = start::makeFlight(start::makeGeneratedTerrain());
    reference.world->prepare();

    advanceSimulation(0);
    EXPECT_EQ(glrec::total(), 0u);
    EXPECT_EQ(stepCount, 0);

    for (int batch = 1; batch <= 4; ++batch) {
        glrec::clear();
        advanceSimulation(batch);
        for (int i = 0; i < batch; ++i) {
            reference.world->step();
        }
        EXPECT_EQ(glrec::count(Call::PostRedisplay), 1u);
        EXPECT_EQ(glrec::total(), 1u);
    }
    EXPECT_EQ(stepCount, 10);
    // The same flight as stepping a world directly, to the bit.
    const Vector3D& pilot = glider->pilotParticle().position;
    EXPECT_EQ(pilot, reference.glider->pilotParticle().position);
    EXPECT_EQ(viewTranslation[0], static_cast<float>(-pilot.x));
    EXPECT_EQ(viewTranslation[1], static_cast<float>(-pilot.y));
    EXPECT_EQ(viewTranslation[2], static_cast<float>(-pilot.z));
}

TEST_F(Pacing, IdleRunsWhatTheTimerGrantsAndNothingBeforeTheFirstStepIsDue) {
    fakeNow = 777;
    frameTimer = FrameTimer(100, 4, 1.0, fakeTick);
    prepareFlight(); // restarts the timer on the injected clock
    fakeNow += 9;
    idle();
    EXPECT_EQ(stepCount, 0);
    EXPECT_EQ(glrec::total(), 0u);
    EXPECT_EQ(viewTranslation[2], -2.0f); // still centred on (0, 0, 2)
    fakeNow += 1;
    idle();
    EXPECT_EQ(stepCount, 1);
    fakeNow += 1000;
    idle();
    EXPECT_EQ(stepCount, 5);
    EXPECT_EQ(glrec::count(Call::PostRedisplay), 2u);
}

} // namespace
