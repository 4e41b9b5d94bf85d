#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "pilot/DisplayChoice.h"
#include "pilot/LiveSession.h"
#include "pilot/ReplaySession.h"
#include "pilot/SimulationClock.h"
#include "tests/pilot/Scratch.h"

namespace {

SDL_Event keyDown(SDL_Keycode key) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    return event;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

// A flight whose numbers blow up stops itself at the step that did it, as
// glider-flight does, and what was flown before is saved with no row of nan.
TEST(LiveSession, ABlowUpEndsTheSessionWithStatusOneNamingTheStepAndSavesWhatCameBefore) {
    Scratch scratch;
    PilotOptions options;
    options.model = "classic";
    options.modelGiven = true;
    options.windGiven = true;
    options.wind = Vector3D(100.0, 100.0, 100.0);
    options.generatedTerrain = true;
    options.flightsDirectory = scratch.file("flights");
    WeightShiftInput hands;
    LiveSession session(hands);
    ASSERT_EQ(session.open(options), "");
    ASSERT_EQ(session.begin(), "");
    SimulationClock clock;
    for (int frame = 0; frame < 100 && !session.ending().ended; ++frame) {
        session.advance(50, clock);
    }
    ASSERT_TRUE(session.ending().ended);
    EXPECT_EQ(session.ending().status, 1);
    EXPECT_NE(session.ending().message.find("diverged at step "), std::string::npos) << session.ending().message;
    EXPECT_EQ(session.close(), 0);
    EXPECT_EQ(session.close(), 0); // again: nothing more to do
    int saved = 0;
    for (const auto& entry : std::filesystem::directory_iterator(options.flightsDirectory)) {
        const std::string text = readAll(entry.path().string());
        EXPECT_EQ(text.find("nan"), std::string::npos) << entry.path();
        EXPECT_EQ(text.find("inf"), std::string::npos) << entry.path();
        ++saved;
    }
    EXPECT_EQ(saved, 2);
}

// Scrubbing a recording whose steps reach the largest int neither overflows
// nor leaves the recording; its end pauses the clock.
TEST(ReplaySession, ScrubsAndPlaysWithinARecordingReachingTheLargestStep) {
    Scratch scratch;
    writeText(scratch.file("far.csv"), "step,time,x,y,z,vx,vy,vz,speed,terrain\n"
                                       "0,0,0,0,300,0,-8,-1,8.06,0\n"
                                       "1073741824,10737418.24,0,-1000,200,0,-8,-1,8.06,0\n"
                                       "2147483647,21474836.47,0,-2000,100,0,-8,-1,8.06,0\n");
    PilotOptions options;
    options.replayPath = scratch.file("far.csv");
    options.generatedTerrain = true;
    ReplaySession session;
    ASSERT_EQ(session.open(options), "");
    ASSERT_EQ(session.begin(), "");
    InstrumentPanel::Figures figures;
    const auto stepShown = [&] {
        session.describe(figures);
        return figures.replayStep;
    };
    const struct {
        SDL_Keycode key;
        std::int64_t step;
    } presses[] = {{SDLK_END, INT_MAX}, {SDLK_RIGHT, INT_MAX}, {SDLK_LEFT, INT_MAX - 500LL},
                   {SDLK_HOME, 0},      {SDLK_LEFT, 0},        {SDLK_RIGHT, 500}};
    for (const auto& press : presses) {
        EXPECT_TRUE(session.handle(keyDown(press.key)));
        EXPECT_EQ(stepShown(), press.step) << press.key;
    }
    EXPECT_EQ(figures.replayLast, INT_MAX);
    session.scrubTo(INT_MAX - 1LL);
    SimulationClock clock;
    session.advance(5, clock);
    EXPECT_EQ(stepShown(), INT_MAX);
    EXPECT_TRUE(clock.isPaused());
    EXPECT_EQ(session.instruments().position().z, 100.0);
}

// A window needs a display: the user's driver as given, else the one the
// environment names; with none, a reason instead of SDL's offscreen driver.
TEST(DisplayChoice, TakesTheUsersDriverElseTheDisplayTheEnvironmentNames) {
    const struct {
        const char* sdl;
        const char* x11;
        const char* wayland;
        const char* driver;
        bool userChose;
    } cases[] = {
        {nullptr, ":0", nullptr, "x11", false},
        {nullptr, ":0", "wayland-0", "x11", false},
        {nullptr, nullptr, "wayland-0", "wayland", false},
        {"", "", "wayland-0", "wayland", false},
        {"offscreen", nullptr, nullptr, "offscreen", true},
        {nullptr, nullptr, nullptr, "", false},
        {"", "", "", "", false},
    };
    for (const auto& c : cases) {
        const DisplayChoice choice = chooseDisplay(c.sdl, c.x11, c.wayland);
        EXPECT_EQ(choice.driver, c.driver);
        EXPECT_EQ(choice.userChose, c.userChose);
        EXPECT_EQ(choice.problem.empty(), *c.driver != '\0') << choice.problem;
    }
}
