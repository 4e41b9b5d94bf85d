// A recorded flight is never lost: every flight keeps its own files however
// many begin in the same second, the files on disk follow the flight as it
// is flown (a process killed outright keeps all but its last second, the
// sail's record and the setup beside them), a
// full disk stops the big CSV first and keeps the small IGC, and the IGC's
// fixes carry the flight's real time of day.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "recording/CsvReader.h"
#include "recording/FlightLog.h"
#include "recording/SailTrack.h"
#include "scene/StartScene.h"
#include "tests/pilot/Scratch.h"

namespace {

constexpr std::time_t kNoonUtc = 1'700'049'600; // 2023-11-15 12:00:00 UTC

// A made-up flight: each step's numbers differ, so a row out of place shows.
flight::FlightSample sampleAt(int step, double offset = 0.0) {
    flight::FlightSample sample;
    sample.step = step;
    sample.time = step * 0.01;
    sample.position = Vector3D(offset + step * 0.1, step * 0.05, 120.0 - step * 0.001);
    sample.velocity = Vector3D(10.0, 5.0, -0.1);
    sample.speed = 11.18;
    return sample;
}

void fly(FlightLog& log, int fromStep, int toStep, double offset = 0.0, const ParticleSystem* sail = nullptr) {
    for (int step = fromStep; step <= toStep; ++step) {
        log.record(sampleAt(step, offset), sail);
    }
}

std::vector<std::string> fixTimes(const std::string& igc) {
    std::vector<std::string> times;
    for (std::size_t at = igc.find("\r\nB"); at != std::string::npos; at = igc.find("\r\nB", at + 1)) {
        times.push_back(igc.substr(at + 3, 6));
    }
    return times;
}

// The rows a CSV holds, or -1 when it does not read back whole.
int csvRows(const std::string& path) {
    std::vector<flight::FlightSample> rows;
    return flight::loadCsvTrack(path, rows).empty() ? static_cast<int>(rows.size()) : -1;
}

bool endsWithWholeFix(const std::string& igc) { return igc.size() >= 2 && igc.compare(igc.size() - 2, 2, "\r\n") == 0; }

} // namespace

TEST(FlightLogNames, FlightsBegunInTheSameSecondEachKeepTheirOwnFiles) {
    const struct {
        std::vector<std::string> already; // files in flights/ before the two flights
        std::string first;
        std::string second;
    } cases[] = {
        {{}, "2023-11-15-120000", "2023-11-15-120000-2"},
        {{"2023-11-15-120000.igc"}, "2023-11-15-120000-2", "2023-11-15-120000-3"},
        {{"2023-11-15-120000.csv"}, "2023-11-15-120000-2", "2023-11-15-120000-3"},
        {{"2023-11-15-120000-2.csv"}, "2023-11-15-120000", "2023-11-15-120000-3"},
    };
    for (const auto& c : cases) {
        Scratch scratch;
        const std::string folder = scratch.file("flights");
        ::mkdir(folder.c_str(), 0777);
        for (const std::string& name : c.already) {
            writeText(folder + "/" + name, "someone else's");
        }
        // Both open before either closes: two programs started together.
        FlightLog first;
        FlightLog second;
        ASSERT_EQ(first.open(folder, kNoonUtc, flight::EarthPlacement()), "");
        ASSERT_EQ(second.open(folder, kNoonUtc, flight::EarthPlacement()), "");
        EXPECT_EQ(first.igcPath(), folder + "/" + c.first + ".igc");
        EXPECT_EQ(second.csvPath(), folder + "/" + c.second + ".csv");
        fly(first, 0, 150, 0.0);
        fly(second, 0, 250, 1000.0);
        EXPECT_EQ(second.close(), "");
        EXPECT_EQ(first.close(), "");
        EXPECT_EQ(csvRows(first.csvPath()), 151);
        EXPECT_EQ(csvRows(second.csvPath()), 251);
        EXPECT_EQ(fixTimes(readText(second.igcPath())).size(), 3u);
        for (const std::string& name : c.already) {
            EXPECT_EQ(readText(folder + "/" + name), "someone else's") << name;
        }
        EXPECT_EQ(scratch.entryCount("flights"), static_cast<int>(4 + c.already.size()));
    }
}

TEST(FlightLogTime, FixesCarryTheFlightsRealUtcTimeAcrossMidnight) {
    const struct {
        std::time_t start;
        std::string date;
        std::vector<std::string> times;
    } cases[] = {
        {kNoonUtc + 9 * 3600 + 59 * 60 + 58, "HFDTE151123", {"215958", "215959", "220000"}},
        {kNoonUtc + 11 * 3600 + 59 * 60 + 59, "HFDTE151123", {"235959", "000000", "000001"}},
        {kNoonUtc - 12 * 3600, "HFDTE151123", {"000000", "000001", "000002"}},
    };
    for (const auto& c : cases) {
        Scratch scratch;
        FlightLog log;
        ASSERT_EQ(log.open(scratch.file("flights"), c.start, flight::EarthPlacement()), "");
        fly(log, 0, 250);
        ASSERT_EQ(log.close(), "");
        const std::string igc = readText(log.igcPath());
        EXPECT_NE(igc.find("\r\n" + c.date + "\r\n"), std::string::npos) << igc;
        EXPECT_EQ(fixTimes(igc), c.times);
    }
}

// A child process flies, then dies by SIGKILL: no destructor, no exit path.
TEST(FlightLogDurability, AProcessKilledOutrightKeepsAllButItsLastSecond) {
    const struct {
        bool finishNow; // what a signal handler may call before the end
        int rows;
        std::size_t fixes;
    } cases[] = {
        {false, 501, 6}, // written out at 5 s; the half second after is lost
        {true, 551, 6},
    };
    for (const auto& c : cases) {
        Scratch scratch;
        const std::string folder = scratch.file("flights");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            start::Flight flight = start::makeFlight(start::makeGeneratedTerrain());
            flight.world->prepare();
            FlightLog::ReplayRecord replay;
            replay.setup = "format = 1\n";
            replay.sail.particles = flight.world->particleCount();
            FlightLog log;
            if (!log.open(folder, kNoonUtc, flight::EarthPlacement(), {}, replay).empty()) {
                ::_exit(1);
            }
            fly(log, 0, 550, 0.0, flight.world.get());
            if (c.finishNow) {
                log.finishNow();
            }
            ::kill(::getpid(), SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        const std::string base = folder + "/" + FlightLog::stampOf(kNoonUtc);
        EXPECT_EQ(csvRows(base + ".csv"), c.rows) << c.finishNow;
        const std::string igc = readText(base + ".igc");
        EXPECT_EQ(fixTimes(igc).size(), c.fixes) << igc;
        EXPECT_TRUE(endsWithWholeFix(igc));
        // The sail's record as far as the CSV, the setup whole.
        SailTrack sail;
        EXPECT_EQ(sail.load(base + ".sail"), "");
        EXPECT_EQ(sail.frameCount(), (c.rows - 1) / flight::kSailStepsBetweenFrames + 1) << c.finishNow;
        EXPECT_EQ(readText(base + ".setup"), "format = 1\n");
        EXPECT_EQ(scratch.entryCount("flights"), 4); // nothing temporary beside them
    }
}

namespace {

// Holds writes beyond `bytes` per file, as a full disk does: EFBIG instead
// of ENOSPC, with the signal that comes with it ignored.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous);
        set(bytes);
    }
    void set(rlim_t bytes) {
        rlimit limit = previous;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

// A file system of `bytes` mounted on a scratch folder for the test's life,
// where the process may mount one.
class SmallDisk {
public:
    SmallDisk(const std::string& folder, std::size_t bytes) : folder(folder) {
        ::mkdir(folder.c_str(), 0777);
        const std::string size = "size=" + std::to_string(bytes);
        mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) == 0;
        why = mounted ? "" : std::strerror(errno);
    }
    ~SmallDisk() {
        if (mounted) {
            ::umount2(folder.c_str(), MNT_DETACH);
        }
    }
    bool mounted = false;
    std::string why;

private:
    std::string folder;
};

} // namespace

TEST(FlightLogFullDisk, ATinyDiskStopsTheCsvKeepsTheIgcAndSaysSo) {
    Scratch scratch;
    SmallDisk disk(scratch.file("flights"), 256 * 1024);
    if (!disk.mounted) {
        GTEST_SKIP() << "no tmpfs to fill (mount: " << disk.why << "); FileSizeLimit covers the same";
    }
    FlightLog log;
    ASSERT_EQ(log.open(scratch.file("flights"), kNoonUtc, flight::EarthPlacement()), "");
    fly(log, 0, 30000); // 300 s: the CSV would need over 5 MB
    const std::string problem = log.problem();
    EXPECT_NE(problem.find("No space left on device"), std::string::npos) << problem;
    EXPECT_NE(problem.find("the CSV stopped"), std::string::npos) << problem;
    EXPECT_EQ(problem.find('\n'), std::string::npos);
    EXPECT_EQ(log.close(), problem);
    EXPECT_FALSE(log.savedWhole());
    EXPECT_EQ(fixTimes(readText(log.igcPath())).size(), 301u);
    const int rows = csvRows(log.csvPath());
    EXPECT_GT(rows, 100);
    EXPECT_LT(rows, 30001);
}

TEST(FlightLogFullDisk, FailedWritesStopTheCsvFirstAndTheIgcCatchesUpWhenThereIsRoom) {
    const struct {
        const char* name;
        rlim_t limit;   // (unit: bytes) per file, from the start
        int freedAt;    // (unit: steps) when the limit goes back up; -1: never
        std::size_t fixes;
        const char* says;
    } cases[] = {
        // The CSV fills its allowance in two seconds; the IGC never does.
        {"csv", 40'000, -1, 61, "the CSV stopped, the IGC goes on"},
        // Not even the IGC fits after 20 s; its fixes wait, and all arrive
        // once there is room again.
        {"igc", 1'000, 4000, 61, "IGC fixes held back"},
    };
    for (const auto& c : cases) {
        Scratch scratch;
        FlightLog log;
        ASSERT_EQ(log.open(scratch.file("flights"), kNoonUtc, flight::EarthPlacement()), "");
        {
            FileSizeLimit limit(c.limit);
            fly(log, 0, c.freedAt < 0 ? 6000 : c.freedAt - 1);
        }
        if (c.freedAt >= 0) {
            fly(log, c.freedAt, 6000);
        }
        const std::string problem = log.problem();
        EXPECT_NE(problem.find("File too large"), std::string::npos) << c.name << ": " << problem;
        EXPECT_NE(problem.find(c.says), std::string::npos) << c.name << ": " << problem;
        EXPECT_EQ(log.close(), problem) << c.name;
        const std::string igc = readText(log.igcPath());
        EXPECT_EQ(fixTimes(igc).size(), c.fixes) << c.name;
        EXPECT_TRUE(endsWithWholeFix(igc)) << c.name;
        const int rows = csvRows(log.csvPath());
        EXPECT_GE(rows, 0) << c.name << ": the CSV must read back whole";
        EXPECT_LT(rows, 6001) << c.name;
    }
}
