// The recorder's flight against the same flight flown by hand with the
// windowed program's key actions: keys act at the planned step, rows report
// the state before them, and the run stops where it should.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/FloatingPointTraps.h"
#include "scene/StartScene.h"
#include "recording/CsvWriter.h"
#include "flight/FlightRecorder.h"
#include "recording/FlightSample.h"

using namespace flight;

namespace {

// A level plateau 120 m high, everywhere under the start: the glider, whose
// pilot starts at about 134.6 m, is down within a few hundred steps.
constexpr double kPlateau = 120.0; // (unit: metres)

start::Flight plateauFlight(const Vector3D& wind = Vector3D()) {
    auto terrain = std::make_unique<HeightField>(11, 11, -500.0, -500.0, 100.0, kPlateau);
    terrain->computeNormals();
    start::Flight flight = start::makeFlight(std::move(terrain), wind);
    flight.world->prepare();
    return flight;
}

// Everything a stream received, as text.
class CapturedStream {
public:
    CapturedStream() : file(std::tmpfile()) {}
    ~CapturedStream() { std::fclose(file); }
    CapturedStream(const CapturedStream&) = delete;
    CapturedStream& operator=(const CapturedStream&) = delete;
    std::FILE* stream() const { return file; }
    std::string text() const {
        std::fflush(file);
        std::rewind(file);
        std::string bytes;
        for (int c; (c = std::fgetc(file)) != EOF;) {
            bytes.push_back(static_cast<char>(c));
        }
        return bytes;
    }

private:
    std::FILE* file;
};

struct Recorded {
    std::string csv;
    FlightSummary summary;
};

Recorded record(start::Flight flight, int steps, const std::vector<KeyPress>& keys, bool untilLanded = false,
                int every = 1) {
    CapturedStream csv;
    RecordingPlan plan;
    plan.steps = steps;
    plan.untilLanded = untilLanded;
    plan.every = every;
    plan.keys = &keys;
    plan.csv = csv.stream();
    Recorded recorded;
    recorded.summary = recordFlight(flight, plan);
    recorded.csv = csv.text();
    return recorded;
}

// The same flight by hand: a row, then that step's keys, then the step.
std::string flyByHand(start::Flight flight, int steps, const std::vector<KeyPress>& keys) {
    CapturedStream csv;
    writeCsvHeader(csv.stream());
    for (int done = 0;; ++done) {
        writeCsvRow(csv.stream(), samplePilot(*flight.glider, *flight.world, *flight.terrain, done));
        if (done == steps) {
            break;
        }
        for (const KeyPress& press : keys) {
            if (press.step == done) {
                start::applyCommand(*flight.glider, press.command);
            }
        }
        flight.world->step();
    }
    return csv.text();
}

std::vector<std::string> rowsOf(const std::string& csv) {
    std::vector<std::string> rows;
    std::size_t from = 0;
    for (std::size_t end; (end = csv.find('\n', from)) != std::string::npos; from = end + 1) {
        rows.push_back(csv.substr(from, end - from));
    }
    return rows;
}

double column(const std::string& row, int index) {
    std::size_t from = 0;
    for (int i = 0; i < index; ++i) {
        from = row.find(',', from) + 1;
    }
    return std::strtod(row.c_str() + from, nullptr);
}

// The recorder flies what the key actions by hand fly, and the first key
// changes the flight from the step after its row on, never its own row.
void expectKeysActAfterTheRowOfTheirStep(int steps, const std::vector<KeyPress>& keys) {
    FloatingPointTraps traps;
    const Recorded recorded = record(plateauFlight(), steps, keys);
    EXPECT_EQ(recorded.csv, flyByHand(plateauFlight(), steps, keys));
    const std::vector<std::string> keyed = rowsOf(recorded.csv);
    const std::vector<std::string> plain = rowsOf(record(plateauFlight(), steps, {}).csv);
    const auto row = static_cast<std::size_t>(keys.front().step) + 1;
    EXPECT_EQ(keyed[row], plain[row]);
    EXPECT_NE(keyed[row + 1], plain[row + 1]);
}

} // namespace

TEST(FlightRecorder, AKeyAtStepZeroActsBeforeTheFirstStepButAfterTheFirstRow) {
    expectKeysActAfterTheRowOfTheirStep(60, {{0, PilotCommand::Left}, {0, PilotCommand::Aft}});
}

TEST(FlightRecorder, MidFlightKeysActInCommandLineOrderAfterTheRowOfTheirStep) {
    expectKeysActAfterTheRowOfTheirStep(150, {{40, PilotCommand::Right}, {40, PilotCommand::Fore}, {90, PilotCommand::Right}});
}

TEST(FlightRecorder, F1MidFlightPutsTheGliderBackAtItsStartAtRest) {
    FloatingPointTraps traps;
    const Recorded recorded = record(plateauFlight(), 101, {{100, PilotCommand::Reset}});

    const std::vector<std::string> rows = rowsOf(recorded.csv);
    const std::string& start = rows[1];
    const std::string& beforeReset = rows[101];
    const std::string& afterReset = rows[102];
    EXPECT_GT(column(start, 4) - column(beforeReset, 4), 1.0);
    // One step after the reset the glider is back where it started, in its
    // shape of the moment, and has barely begun to move again.
    for (int xyz = 2; xyz <= 4; ++xyz) {
        EXPECT_NEAR(column(afterReset, xyz), column(start, xyz), 0.5) << xyz;
    }
    EXPECT_LT(column(afterReset, 8), 2.0 * 9.80665 * 0.01);
}

TEST(FlightRecorder, UntilLandedEndsOnTheFirstStepWithThePilotOnTheGround) {
    FloatingPointTraps traps;
    const Recorded landed = record(plateauFlight(), 3000, {}, true);
    const Recorded onward = record(plateauFlight(), 3000, {});

    const int touchdown = landed.summary.landedStep;
    ASSERT_GT(touchdown, 0);
    ASSERT_LT(touchdown, 3000);
    EXPECT_EQ(landed.summary.steps, touchdown);
    const std::vector<std::string> rows = rowsOf(landed.csv);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(touchdown) + 2);
    EXPECT_EQ(column(rows.back(), 4), kPlateau);
    EXPECT_GT(column(rows[rows.size() - 2], 4), kPlateau);

    // Flying on changes neither the touchdown nor the summary's end point.
    EXPECT_EQ(onward.summary.steps, 3000);
    EXPECT_EQ(onward.summary.landedStep, touchdown);
    EXPECT_EQ(onward.summary.finish, landed.summary.finish);
    EXPECT_EQ(rowsOf(onward.csv)[static_cast<std::size_t>(touchdown) + 1], rows.back());
}

TEST(FlightRecorder, RisingAirHoldsTheGliderUpWithoutMovingItsStart) {
    FloatingPointTraps traps;
    const std::vector<std::string> still = rowsOf(record(plateauFlight(), 200, {}).csv);
    const std::vector<std::string> rising = rowsOf(record(plateauFlight(Vector3D(0.0, 0.0, 3.0)), 200, {}).csv);

    EXPECT_EQ(rising[1], still[1]);
    // The wing meets the air from below faster, so it sinks more slowly.
    EXPECT_GT(column(rising.back(), 4), column(still.back(), 4) + 0.1);
}

TEST(FlightRecorder, RowsGoToEveryKthStepAndTheLast) {
    const std::vector<std::string> rows = rowsOf(record(plateauFlight(), 25, {}, false, 10).csv);
    EXPECT_EQ(rows[0], kCsvHeader);
    std::vector<double> steps;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        steps.push_back(column(rows[i], 0));
    }
    EXPECT_EQ(steps, (std::vector<double>{0, 10, 20, 25}));
}
