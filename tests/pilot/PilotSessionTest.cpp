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
#include "recording/SailRecord.h"
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
        ++saved;
        if (entry.path().extension() != ".csv" && entry.path().extension() != ".igc") {
            continue; // the setup and the sail's binary record
        }
        const std::string text = readAll(entry.path().string());
        EXPECT_EQ(text.find("nan"), std::string::npos) << entry.path();
        EXPECT_EQ(text.find("inf"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(saved, 4);
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

// A flight replays from its recording alone, its scenario file gone and no
// option given: the same ground, and the sail in the shapes it flew.
TEST(ReplaySession, ReplaysAFlightFromItsRecordingAloneWithTheSailAsFlown) {
    Scratch scratch;
    writeText(scratch.file("hill.toml"), "model = \"realistic\"\n[terrain]\nsource = \"ridge\"\nheight = 60\n"
                                         "[start]\nposition = [0, -200, 90]\nheading = 180\n");
    PilotOptions options;
    options.scenarioPath = scratch.file("hill.toml");
    options.windGiven = true;
    options.wind = Vector3D(1.0, 2.0, 0.0);
    options.flightsDirectory = scratch.file("flights");
    WeightShiftInput hands;
    LiveSession live(hands);
    ASSERT_EQ(live.open(options), "");
    ASSERT_EQ(live.begin(), "");
    SimulationClock clock;
    const auto shape = [](const PilotSession& session) {
        std::vector<Vector3D> positions;
        for (int i = 0; i < session.flight().world().particleCount(); ++i) {
            positions.push_back(session.flight().world().particleAt(i).position);
        }
        return positions;
    };
    hands.setKey(WeightShiftInput::Right, true); // a turn: the sail flexes
    live.advance(150, clock);
    const std::vector<Vector3D> atFrame = shape(live);
    live.advance(53, clock); // the last step lies between frames
    const std::vector<Vector3D> atEnd = shape(live);
    const double groundHeight = live.flight().terrain().heightAt(30.0, -80.0);
    ASSERT_EQ(live.close(), 0);
    std::filesystem::remove(options.scenarioPath);

    PilotOptions alone;
    for (const auto& entry : std::filesystem::directory_iterator(options.flightsDirectory)) {
        if (entry.path().extension() == ".csv") {
            alone.replayPath = entry.path().string();
        }
    }
    ReplaySession replay;
    ASSERT_EQ(replay.open(alone), "");
    ASSERT_EQ(replay.begin(), "");
    EXPECT_EQ(replay.flight().terrain().heightAt(30.0, -80.0), groundHeight);
    EXPECT_EQ(replay.flight().world().windVelocity().y, 2.0);
    const double halfQuantum = 0.5 * flight::kSailQuantum + 1e-9;
    for (const auto& [step, flown] : {std::pair{150, atFrame}, std::pair{203, atEnd}}) {
        replay.scrubTo(step);
        EXPECT_EQ(replay.gliderPlacement(), glm::dmat4(1.0));
        const std::vector<Vector3D> shown = shape(replay);
        ASSERT_EQ(shown.size(), flown.size());
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_NEAR(shown[i].x, flown[i].x, halfQuantum) << "step " << step << ", particle " << i;
            EXPECT_NEAR(shown[i].y, flown[i].y, halfQuantum) << "step " << step << ", particle " << i;
            EXPECT_NEAR(shown[i].z, flown[i].z, halfQuantum) << "step " << step << ", particle " << i;
        }
    }
}

// What lies beside a recording is checked before anything is shown: a sail
// record or setup that is cut short, of another kind or makes no sense is
// refused in one line naming it, and so is an option that would change the
// recorded world.
TEST(ReplaySession, RefusesABadSailRecordOrSetupNamingTheFile) {
    Scratch scratch;
    const std::string csv = scratch.file("flight.csv");
    writeText(csv, "step,time,x,y,z,vx,vy,vz,speed,terrain\n0,0,0,0,300,0,-8,-1,8.06,0\n");
    // A valid record of the realistic glider (49 particles), one frame.
    const auto sail = [](int particles, int frames) {
        std::string bytes(flight::kSailHeaderBytes + frames * flight::sailFrameBytes(particles), '\0');
        flight::SailLayout layout;
        layout.particles = particles;
        flight::formatSailHeader(reinterpret_cast<unsigned char*>(bytes.data()), layout);
        for (int k = 0; k < frames; ++k) {
            bytes[flight::kSailHeaderBytes + k * flight::sailFrameBytes(particles)] = static_cast<char>(5 * k);
        }
        return bytes;
    };
    const auto with = [](std::string bytes, std::size_t at, char value) {
        bytes[at] = value;
        return bytes;
    };
    const std::string good = sail(49, 2);
    const std::string setup = "format = 1\nscenario = ''\nscenario_name = 'x'\nscenario_folder = '/'\n"
                              "generated_terrain = true\n";
    const struct {
        const char* file; // ".sail" or ".setup"
        std::string text;
        bool windOption;
        const char* named;
    } cases[] = {
        {".sail", good.substr(0, 10), false, "flight.sail: too short for a sail record"},
        {".sail", with(good, 0, 'X'), false, "flight.sail: not a sail record"},
        {".sail", with(good, 8, 2), false, "flight.sail: a sail record of version 2"},
        {".sail", with(with(good, 10, 0), 11, 0), false, "flight.sail: 0 particles"},
        {".sail", with(good, 14, 49), false, "flight.sail: the hub is particle 49 of 49"},
        {".sail", with(good, 19, 0x7f), false, "flight.sail: the offsets' quantum"},
        {".sail", good.substr(0, good.size() - 1), false, "flight.sail: ends within a frame"},
        {".sail", with(good, flight::kSailHeaderBytes + flight::sailFrameBytes(49), 0), false,
         "flight.sail: frame 2: steps must increase"},
        {".sail", with(good, flight::kSailHeaderBytes + 11, '\x7f'), false, "flight.sail: frame 1: the hub is not"},
        {".sail", sail(3, 1), false, "flight.sail: holds a glider of 3 particles, the one replayed has 49"},
        {".setup", "scenario = [", false, "flight.setup:1:"},
        {".setup", "scenario = ''\n", false, "flight.setup: format: missing"},
        {".setup", "format = 2\n" + setup.substr(11), false, "flight.setup:1: format: expected 1"},
        {".setup", setup + "colour = 'red'\n", false, "flight.setup:6: colour: unknown key"},
        {".setup", setup + "model = 'jet'\n", false, "flight.setup:6: model: expected realistic or classic"},
        {".setup", setup + "wind = [0, 500, 0]\n", false, "flight.setup:6: wind: must lie within"},
        {".setup", setup + "[dem]\npath = 'x.tif'\nradius = 0\n", false, "flight.setup:8: dem.radius"},
        {".setup", setup, true, "--wind cannot change that world"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(scratch.file("flight.sail"));
        std::filesystem::remove(scratch.file("flight.setup"));
        writeText(scratch.file(std::string("flight") + c.file), c.text);
        if (c.file == std::string(".setup")) {
            writeText(scratch.file("flight.sail"), good);
        }
        PilotOptions options;
        options.replayPath = csv;
        options.generatedTerrain = c.file == std::string(".sail");
        options.windGiven = c.windOption;
        ReplaySession session;
        const std::string reason = session.open(options);
        EXPECT_NE(reason.find(c.named), std::string::npos) << reason;
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
    }
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
