// A steady flight in glider-pilot allocates nothing per step: the clock,
// held keys, weight shift, step, instruments, recording (the sail too), map
// track and the variometer's voice, as the main loop runs them.
#include <gtest/gtest.h>

#include "platform/AllocationCounter.h"
#include "atmosphere/RandomThermals.h"
#include "pilot/CloudLayout.h"
#include "pilot/FlightInstruments.h"
#include "recording/FlightLog.h"
#include "pilot/FlightReading.h"
#include "pilot/FlightTrack.h"
#include "pilot/PilotFlight.h"
#include "pilot/SimulationClock.h"
#include "pilot/VarioTone.h"
#include "pilot/WeightShiftInput.h"
#include "terrain/RidgeHeightField.h"
#include "tests/pilot/Scratch.h"

TEST(PilotNoAllocation, StepsWithHeldKeysRecordingAndVarioAllocateNothing) {
    Scratch scratch;
    PilotOptions options;
    PilotFlight flight; // the realistic model over the ridge, in ridge lift
    ASSERT_EQ(flight.build(options), "");
    FlightLog log;
    FlightLog::ReplayRecord replay;
    replay.setup = "format = 1\n";
    replay.sail.particles = flight.world().particleCount();
    ASSERT_EQ(log.open(scratch.file("flights"), 0, flight::EarthPlacement(), {}, replay), "");
    SimulationClock clock;
    WeightShiftInput input;
    FlightInstruments instruments;
    instruments.restart(flight.glider().pilotParticle().position, 0.0);
    FlightTrack track;
    VarioTone tone(44100);
    float samples[512];

    const long before = allocationCount();
    int step = 0;
    for (int frame = 0; frame < 300; ++frame) {
        input.setKey(WeightShiftInput::Right, frame % 100 < 50);
        input.setStick(frame % 150 < 30 ? 0.5 : 0.0, 0.0);
        const int due = clock.advance(16'666'667);
        for (int i = 0; i < due; ++i) {
            input.update(0.01);
            flight.setWeightShift(input.lateral(), input.fore());
            flight.world().step();
            ++step;
            instruments.update(readFlight(flight.glider(), flight.world(), flight.terrain()), 0.01);
            log.record(flight::samplePilot(flight.glider(), flight.world(), flight.terrain(), step), &flight.world());
            if (step % 100 == 0) {
                track.add(static_cast<float>(instruments.position().x), static_cast<float>(instruments.position().y));
            }
        }
        if (frame == 200) {
            flight.reset();
            instruments.restart(flight.glider().pilotParticle().position, instruments.time());
            track.clear();
        }
        tone.render(samples, 512, instruments.vario());
    }
    EXPECT_EQ(allocationCount() - before, 0);
    EXPECT_GT(step, 450);
    EXPECT_EQ(log.close(), "");
}

TEST(PilotNoAllocation, LivingThermalsAndTheirCloudsAllocateNothingPerFrame) {
    RandomThermals scatter;
    scatter.count = 50;
    ThermalField field(scatterThermals(scatter, 0.0, 0.0), 1500.0, 3.0, 0.0, scatterArea(scatter));
    ThermalLifecycle cycle;
    cycle.living = true;
    const auto ground = generateFlatHeightField(8000.0, 100.0);
    field.makeLiving(cycle, ground.get());
    CloudLayout layout(&field, ground.get());
    const long before = allocationCount();
    double sum = 0.0;
    for (double t = 0.0; t < 1200.0; t += 1.0) {
        sum += layout.layOut(t) + field.verticalVelocity(10.0, 20.0, 400.0, t);
    }
    EXPECT_EQ(allocationCount() - before, 0);
    EXPECT_GT(sum, 0.0);
}
