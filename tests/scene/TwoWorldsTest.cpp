// Two worlds in one process share nothing: flown in turns, step by step, each
// follows to the bit the flight the same setting gives when flown alone.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "autopilot/SimplePilot.h"
#include "scene/PilotSeat.h"
#include "scene/Scenario.h"
#include "scene/StartScene.h"

namespace {

constexpr int kSteps = 1500;

// One flight and whoever flies it: the simple pilot when its setting has a
// plan, else a few scripted commands (left, forward, reset).
struct Flown {
    start::Flight flight;
    std::unique_ptr<SimplePilot> pilot;
    int steps = 0;
    std::vector<Vector3D> track;

    void step() {
        if (pilot) {
            start::pressFor(flight, pilot->decide(start::pilotView(flight)));
        } else if (steps == 300) {
            start::applyCommand(flight, PilotCommand::Left);
        } else if (steps == 600) {
            start::applyCommand(flight, PilotCommand::Fore);
        } else if (steps == 1000) {
            start::applyCommand(flight, PilotCommand::Reset);
        }
        flight.world->step();
        ++steps;
        track.push_back(flight.glider->pilotParticle().position);
    }
};

std::unique_ptr<Flown> classicStart() {
    auto flown = std::make_unique<Flown>();
    flown->flight = start::makeFlight(start::makeGeneratedTerrain());
    flown->flight.world->prepare();
    return flown;
}

// A scenario from the project's own, with its terrain, air and pilot.
std::unique_ptr<Flown> scenario(const std::string& name) {
    const ScenarioLoad load = loadScenario(std::string(GLIDER_SCENARIOS) + "/" + name + ".toml");
    EXPECT_TRUE(load.ok) << load.message;
    std::string error;
    auto flown = std::make_unique<Flown>();
    flown->flight = makeScenarioFlight(load.scenario, makeScenarioTerrain(load.scenario, error));
    flown->flight.world->prepare();
    const Scenario& s = load.scenario;
    flown->pilot = std::make_unique<SimplePilot>(s.pilot, s.wind.x, s.wind.y, PilotLimits(),
                                                 start::pilotGainsFor(flown->flight.model));
    return flown;
}

struct Setting {
    const char* name;
    std::function<std::unique_ptr<Flown>()> make;
    bool movesAir;
};

} // namespace

// Every setting flown alone, then all of them twice over in one process,
// stepped in turns, the second of each built once the others are under way.
TEST(TwoWorlds, WorldsFlownInTurnsEachMatchTheirFlightAlone) {
    const Setting settings[] = {
        {"classic start, generated terrain", classicStart, false},
        {"realistic, thermals", [] { return scenario("thermal"); }, true},
        {"realistic, ridge lift in a wind", [] { return scenario("ridge"); }, true},
    };
    std::vector<std::vector<Vector3D>> alone;
    for (const Setting& setting : settings) {
        std::unique_ptr<Flown> flown = setting.make();
        EXPECT_EQ(flown->flight.air != nullptr, setting.movesAir) << setting.name;
        while (flown->steps < kSteps) {
            flown->step();
        }
        alone.push_back(flown->track);
    }
    std::vector<std::unique_ptr<Flown>> together;
    std::vector<std::size_t> settingOf;
    for (std::size_t s = 0; s < std::size(settings); ++s) {
        together.push_back(settings[s].make());
        settingOf.push_back(s);
    }
    for (int round = 0; round < kSteps + kSteps / 3; ++round) {
        if (round == kSteps / 3) {
            for (std::size_t s = 0; s < std::size(settings); ++s) {
                together.push_back(settings[s].make());
                settingOf.push_back(s);
            }
        }
        for (const std::unique_ptr<Flown>& flown : together) {
            if (flown->steps < kSteps) {
                flown->step();
            }
        }
    }
    for (std::size_t w = 0; w < together.size(); ++w) {
        const std::vector<Vector3D>& expected = alone[settingOf[w]];
        const std::vector<Vector3D>& track = together[w]->track;
        ASSERT_EQ(track.size(), expected.size());
        for (std::size_t i = 0; i < track.size(); ++i) {
            ASSERT_TRUE(track[i] == expected[i])
                << settings[settingOf[w]].name << ", world " << w << ": first difference at step " << i;
        }
    }
}
