// Flights recorded to flights/ and read back for replay: the same numbers
// come back, bad recordings are refused with the file and line named, and
// nothing half-written is ever left behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "recording/FlightLog.h"
#include "pilot/ReplayTrack.h"
#include "scene/StartScene.h"
#include "tests/pilot/Scratch.h"
#include "tests/support/FloatingPointTraps.h"
#include "recording/CsvWriter.h"

namespace {

constexpr std::time_t kNoonUtc = 1'700'049'600; // 2023-11-15 12:00:00 UTC

const std::string kHeader = std::string(flight::kCsvHeader) + "\n";

// Records `steps` steps of the start flight into a log under `scratch`.
void recordFlight(const Scratch& scratch, FlightLog& log, int steps) {
    start::Flight flight = start::makeFlight(start::makeGeneratedTerrain());
    flight.world->prepare();
    ASSERT_EQ(log.open(scratch.file("flights"), kNoonUtc, flight::EarthPlacement()), "");
    log.record(flight::samplePilot(*flight.glider, *flight.world, *flight.terrain, 0));
    for (int s = 1; s <= steps; ++s) {
        flight.world->step();
        log.record(flight::samplePilot(*flight.glider, *flight.world, *flight.terrain, s));
    }
}

} // namespace

TEST(FlightLog, RecordingNamedByDateReplaysToTheBit) {
    FloatingPointTraps traps;
    Scratch scratch;
    FlightLog log;
    recordFlight(scratch, log, 250);
    EXPECT_EQ(log.igcPath(), scratch.file("flights/2023-11-15-120000.igc"));
    // Written as it is flown, under its own names: nothing else beside them.
    EXPECT_TRUE(std::filesystem::exists(log.igcPath()));
    EXPECT_EQ(scratch.entryCount("flights"), 2);
    ASSERT_EQ(log.close(), "");
    EXPECT_EQ(scratch.entryCount("flights"), 2);

    const std::string igc = readText(log.igcPath());
    EXPECT_EQ(igc.find("HFDTE151123"), igc.find("HFDTE"));
    int fixes = 0;
    for (std::size_t at = igc.find("\r\nB"); at != std::string::npos; at = igc.find("\r\nB", at + 1)) {
        ++fixes;
    }
    EXPECT_EQ(fixes, 3); // seconds 0, 1 and 2

    ReplayTrack track;
    ASSERT_EQ(track.load(log.csvPath()), "");
    ASSERT_EQ(track.size(), 251);
    start::Flight again = start::makeFlight(start::makeGeneratedTerrain());
    again.world->prepare();
    for (int s = 1; s <= 250; ++s) {
        again.world->step();
    }
    const flight::FlightSample& last = track.row(track.indexAt(250));
    EXPECT_EQ(last.step, 250);
    EXPECT_EQ(last.position, again.glider->pilotParticle().position);
    EXPECT_EQ(last.velocity, again.world->velocityOf(again.glider->pilotParticle()));

    // A second flight begun in the same second gets its own name.
    FlightLog second;
    recordFlight(scratch, second, 1);
    ASSERT_EQ(second.close(), "");
    EXPECT_EQ(second.igcPath(), scratch.file("flights/2023-11-15-120000-2.igc"));
    EXPECT_EQ(readText(log.igcPath()), igc);
}

TEST(FlightLog, RefusesAFolderThatIsAFileAndLeavesItAlone) {
    Scratch scratch;
    writeText(scratch.file("flights"), "not a folder");
    FlightLog log;
    const std::string reason = log.open(scratch.file("flights"), kNoonUtc, flight::EarthPlacement());
    EXPECT_NE(reason.find("not a folder"), std::string::npos) << reason;
    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(readText(scratch.file("flights")), "not a folder");
}

TEST(ReplayTrack, FindsTheRowShownAtAnyStep) {
    ReplayTrack track;
    ASSERT_EQ(track.parse(kHeader + "10,0.1,1,2,3,0,0,0,0,0\n20,0.2,4,5,6,0,0,0,0,0\n30,0.3,7,8,9,0,0,0,0,0\n", "t.csv"),
              "");
    EXPECT_EQ(track.indexAt(0), 0);  // before the recording: its first row
    EXPECT_EQ(track.indexAt(10), 0);
    EXPECT_EQ(track.indexAt(19), 0);
    EXPECT_EQ(track.indexAt(20), 1);
    EXPECT_EQ(track.indexAt(1000), 2);
    EXPECT_EQ(track.firstStep(), 10);
    EXPECT_EQ(track.lastStep(), 30);
    EXPECT_EQ(track.row(2).position, Vector3D(7.0, 8.0, 9.0));
    // Windows line ends and no final newline read the same.
    ReplayTrack crlf;
    ASSERT_EQ(crlf.parse(std::string(flight::kCsvHeader) + "\r\n0,0,1,2,3,4,5,6,7,8", "w.csv"), "");
    EXPECT_EQ(crlf.row(0).terrainHeight, 8.0);
    // glider-flight's --air adds the air's velocity at the pilot.
    ReplayTrack air;
    const std::string airHeader = std::string(flight::kCsvHeader) + flight::kCsvAirColumns + "\n";
    ASSERT_EQ(air.parse(airHeader + "0,0,1,2,3,4,5,6,7,8,9,10,11\n", "a.csv"), "");
    EXPECT_EQ(air.row(0).terrainHeight, 8.0);
    EXPECT_EQ(air.row(0).air, Vector3D(9.0, 10.0, 11.0));
}

TEST(ReplayTrack, RefusesMalformedRecordingsNamingFileAndLine) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "f.csv: empty file"},
        {"step,time\n0,0\n", "f.csv: line 1: expected the header"},
        {kHeader, "f.csv: no recorded steps"},
        {kHeader + "0,0,1,2,3,4,5,6,7\n", "f.csv: line 2: expected 10 fields, got 9"},
        {kHeader + "0,0,1,2,3,4,5,6,7,8,9\n", "f.csv: line 2: more than 10 fields"},
        {kHeader + "0,0,1,2,x,4,5,6,7,8\n", "f.csv: line 2: field 5 is not a finite number"},
        {kHeader + "0,0,1,2,nan,4,5,6,7,8\n", "f.csv: line 2: field 5 is not a finite number"},
        {kHeader + "0,0,1,2,3,4,5,6,7,\n", "f.csv: line 2: field 10 is not a finite number"},
        {kHeader + "1.5,0,1,2,3,4,5,6,7,8\n", "f.csv: line 2: the step is not a whole number"},
        {kHeader + "-1,0,1,2,3,4,5,6,7,8\n", "f.csv: line 2: the step is not a whole number"},
        {kHeader + "5,0,1,2,3,4,5,6,7,8\n5,0,1,2,3,4,5,6,7,8\n", "f.csv: line 3: steps must increase"},
        {kHeader + "5,0,1,2,3,4,5,6,7,8\n\n6,0,1,2,3,4,5,6,7,8\n", "f.csv: line 3: empty line"},
        {std::string(flight::kCsvHeader) + flight::kCsvAirColumns + "\n0,0,1,2,3,4,5,6,7,8\n",
         "f.csv: line 2: expected 13 fields, got 10"},
    };
    for (const auto& c : cases) {
        ReplayTrack track;
        ASSERT_EQ(track.parse(kHeader + "0,0,0,0,0,0,0,0,0,0\n", "ok.csv"), "");
        const std::string reason = track.parse(c.text, "f.csv");
        EXPECT_EQ(reason.rfind(c.message, 0), 0u) << "got: " << reason;
        EXPECT_EQ(reason.find('\n'), std::string::npos);
        EXPECT_EQ(track.size(), 1); // the track it had is kept
    }
    ReplayTrack track;
    EXPECT_EQ(track.load("/nonexistent/flight.csv"), "/nonexistent/flight.csv: cannot be opened");
    Scratch scratch;
    EXPECT_NE(track.load(scratch.path()), "");
}
