#include <gtest/gtest.h>

#include <new>

#include "platform/AllocationCounter.h"
#include "scene/PilotSeat.h"
#include "scene/Scenario.h"
#include "scene/StartScene.h"
#include "tests/support/GlRecorder.h"

namespace {

struct PreparedFlight {
    start::Flight flight = start::makeFlight(start::makeGeneratedTerrain());
    PreparedFlight() { flight.world->prepare(); }
};

} // namespace

// Where the guard's blocks escape to, so the optimiser cannot pair each new
// with its delete and drop both.
int* volatile intSink;
double* volatile doubleSink;
char* volatile charSink;
struct alignas(64) CacheLine {
    double v[8];
};
CacheLine* volatile lineSink;

// Guards every count below: a counter that saw nothing would pass them all.
TEST(NoAllocation, TheCounterSeesEveryFormOfAllocation) {
    const long before = allocationCount();
    intSink = new int(1);
    doubleSink = new double[3];
    charSink = new (std::nothrow) char('a');
    lineSink = new CacheLine();
    EXPECT_EQ(allocationCount() - before, 4);
    delete intSink;
    delete[] doubleSink;
    delete charSink;
    delete lineSink;
}

TEST(NoAllocation, ThousandStepsWithSteeringAndResetAllocateNothing) {
    PreparedFlight scene;
    const long before = allocationCount();
    for (int i = 0; i < 1000; ++i) {
        if (i % 100 == 0) {
            start::applyCommand(*scene.flight.glider, i % 200 == 0 ? PilotCommand::Left : PilotCommand::Aft);
        }
        if (i == 700) {
            start::applyCommand(*scene.flight.glider, PilotCommand::Reset);
        }
        scene.flight.world->step();
        (void)scene.flight.world->velocityOf(scene.flight.glider->pilotParticle());
    }
    EXPECT_EQ(allocationCount() - before, 0);
}

TEST(NoAllocation, DrawingFramesAllocatesNothing) {
    PreparedFlight scene;
    glrec::clear(); // the recorder reserves its storage on first use
    scene.flight.terrain->draw();
    scene.flight.glider->draw();
    const long before = allocationCount();
    for (int frame = 0; frame < 100; ++frame) {
        glrec::clear();
        scene.flight.world->step();
        scene.flight.terrain->draw();
        scene.flight.glider->draw();
    }
    EXPECT_EQ(allocationCount() - before, 0);
    EXPECT_GT(glrec::total(), 0u);
}

TEST(NoAllocation, MovingAirAndThePilotAllocateNothingPerStep) {
    Scenario scenario;
    scenario.model = start::FlightModel::Realistic;
    scenario.terrain.source = Scenario::Terrain::Source::Ridge;
    scenario.wind = Vector3D(0.0, 8.0, 0.0);
    scenario.ridgeLift = true;
    scenario.thermals.push_back(Thermal{0.0, 150.0, 3.0, 100.0});
    scenario.randomThermals.count = 19;
    scenario.lifecycle.living = true; // the living field's lives are sized once too
    std::string error;
    start::Flight flight = makeScenarioFlight(scenario, makeScenarioTerrain(scenario, error));
    flight.world->prepare();
    PilotPlan plan;
    ASSERT_EQ(readPilotPlan("circle:0,150,35", plan), "");
    SimplePilot pilot(plan, 0.0, 8.0);
    const long before = allocationCount();
    for (int i = 0; i < 1000; ++i) {
        start::pressFor(flight, pilot.decide(start::pilotView(flight)));
        flight.world->step();
    }
    EXPECT_EQ(allocationCount() - before, 0);
}

TEST(NoAllocation, RealisticStepsWithKeysWeightShiftAndResetAllocateNothing) {
    start::Flight flight =
        start::makeFlight(start::makeGeneratedTerrain(), Vector3D(0.0, 0.0, 0.0), start::FlightModel::Realistic);
    flight.world->prepare();
    const long before = allocationCount();
    for (int i = 0; i < 1000; ++i) {
        if (i % 100 == 0) {
            start::applyCommand(flight, i % 200 == 0 ? PilotCommand::Left : PilotCommand::Aft);
        }
        if (i % 100 == 50) {
            start::setWeightShift(flight, 0.3, -0.2);
        }
        if (i == 700) {
            start::applyCommand(flight, PilotCommand::Reset);
        }
        flight.world->step();
        (void)start::weightShiftOf(flight);
    }
    EXPECT_EQ(allocationCount() - before, 0);
}
