#include <gtest/gtest.h>

#include <cstdint>

#include "app/FrameTimer.h"

namespace {

// A hand-driven millisecond clock.
std::uint32_t fakeNow = 0;
std::uint32_t fakeTick() { return fakeNow; }

FrameTimer restartedAt(std::uint32_t tick, double timeScale = 1.0) {
    fakeNow = tick;
    FrameTimer timer(100, 4, timeScale, fakeTick);
    timer.restart();
    return timer;
}

int dueAt(FrameTimer& timer, std::uint32_t tick) {
    fakeNow = tick;
    return timer.stepsDue();
}

TEST(FrameTimer, GrantsStepsAsWallTimePassesCappedAtFourWithTheSurplusDropped) {
    const std::uint32_t t = 5000;
    FrameTimer timer = restartedAt(t);
    EXPECT_EQ(dueAt(timer, t + 5), 0);
    EXPECT_EQ(dueAt(timer, t + 100), 4);
    EXPECT_EQ(timer.startTick, t + 60); // six dropped steps of 10 ms
    EXPECT_EQ(timer.stepsDone, 4);
    EXPECT_EQ(dueAt(timer, t + 110), 1);
    EXPECT_EQ(dueAt(timer, t + 113), 0);
}

TEST(FrameTimer, StallOfTwoSecondsLosesAllButFourStepsThenRunsNormally) {
    const std::uint32_t t = 1000;
    FrameTimer timer = restartedAt(t);
    std::uint32_t now = t;
    for (; now <= t + 500; now += 10) {
        ASSERT_LE(dueAt(timer, now), 1);
    }
    const std::uint32_t before = timer.startTick;
    now += 2000 - 10;
    EXPECT_EQ(dueAt(timer, now), 4);
    EXPECT_EQ(timer.startTick - before, 1960u);
    for (int call = 0; call < 50; ++call) {
        now += 10;
        EXPECT_EQ(dueAt(timer, now), 1) << call;
    }
}

TEST(FrameTimer, TimeScaleTwoGrantsHalfAsManySteps) {
    FrameTimer realTime = restartedAt(0, 1.0);
    FrameTimer halfSpeed = restartedAt(0, 2.0);
    int realSteps = 0;
    int halfSteps = 0;
    for (std::uint32_t now = 1; now <= 3000; ++now) {
        realSteps += dueAt(realTime, now);
        halfSteps += dueAt(halfSpeed, now);
    }
    EXPECT_EQ(realSteps, 300);
    EXPECT_EQ(halfSteps, 150);
}

TEST(FrameTimer, CountsRightAcrossTheTickCounterWrap) {
    FrameTimer timer = restartedAt(0xFFFFFFF6u); // 10 ms before the wrap
    EXPECT_EQ(dueAt(timer, 0xFFFFFFFFu), 0);
    EXPECT_EQ(dueAt(timer, 20u), 3); // 30 ms after the restart
    EXPECT_EQ(dueAt(timer, 30u), 1);
}

TEST(FrameTimer, KeepsGrantingOneStepPerTenMillisecondsPastSixHours) {
    // Elapsed milliseconds times 100 leave 32 bits after about 5.96 hours.
    FrameTimer timer = restartedAt(0);
    const std::uint32_t sevenHours = 7u * 3600u * 1000u;
    long long granted = 0;
    int wrongCalls = 0;
    for (std::uint32_t now = 10; now <= sevenHours; now += 10) {
        const int due = dueAt(timer, now);
        granted += due;
        wrongCalls += due == 1 ? 0 : 1;
    }
    EXPECT_EQ(wrongCalls, 0);
    EXPECT_EQ(granted, sevenHours / 10);
    EXPECT_EQ(timer.startTick, 0u); // nothing was dropped
}

} // namespace
