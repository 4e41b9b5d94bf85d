// glider-flight's outputs against what their paths name, and the runs that
// must leave every existing file as it was: refused, failed, interrupted.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/flight/ProgramRun.h"
#include "tests/support/JpegTestFiles.h"

using flighttest::lines;
using flighttest::ProgramRun;
using flighttest::readFile;
using flighttest::RunSetup;
using flighttest::runFlight;
using flighttest::ScratchDirectory;
using flighttest::writeFile;

namespace {

const std::vector<std::string> kShortFlight = {"--steps", "250", "--generated-terrain"};
constexpr int kNobody = 65534;

std::vector<std::string> with(std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

struct stat statusOf(const std::string& path, bool followLinks = false) {
    struct stat status {};
    EXPECT_EQ(followLinks ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status), 0) << path;
    return status;
}

// Every line is a CSV header or row, or an IGC record: none of the other's.
void expectOnlyCsv(const std::string& text) {
    const std::vector<std::string> rows = lines(text);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "step,time,x,y,z,vx,vy,vz,speed,terrain");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].rfind(std::to_string(i - 1) + ",", 0), 0u) << rows[i];
    }
}

void expectOnlyIgc(const std::string& text) {
    for (const std::string& line : lines(text)) {
        EXPECT_TRUE(!line.empty() && std::string("AHB").find(line[0]) != std::string::npos && line.back() == '\r')
            << line;
    }
}

bool isRoot() { return ::geteuid() == 0; }

// Whether any user may reach `path`: every folder above it searchable by all.
bool everyoneReaches(std::string path) {
    while (path.size() > 1) {
        path = path.substr(0, path.rfind('/') > 0 ? path.rfind('/') : 1);
        struct stat folder {};
        if (::stat(path.c_str(), &folder) != 0 || (folder.st_mode & S_IXOTH) == 0) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(GliderFlightOutputTargets, WritesThroughASymlinkIntoAFifoAndIntoADeviceLeavingEachInPlace) {
    if (!isRoot()) {
        GTEST_SKIP() << "making a device node needs root";
    }
    ScratchDirectory directory;
    writeFile(directory.file("real.csv"), "old\n");
    ASSERT_EQ(::chmod(directory.file("real.csv").c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.csv", directory.file("link.csv").c_str()), 0);
    ASSERT_EQ(::mkfifo(directory.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::mknod(directory.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    // A reader is there before the writer comes; the log fits in the pipe.
    const int reader = ::open(directory.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    const ProgramRun run = runFlight(directory, with(kShortFlight, {"--csv", "link.csv", "--igc", "fifo"}));
    const ProgramRun intoDevice = runFlight(directory, with(kShortFlight, {"--csv", "null"}));

    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(intoDevice.status, 0) << intoDevice.err;
    std::string piped(4096, '\0');
    piped.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::read(reader, piped.data(), piped.size()))));
    ::close(reader);
    EXPECT_EQ(lines(piped).size(), 6u + 3u); // A and five H records, fixes at 0, 1 and 2 s
    expectOnlyIgc(piped);
    expectOnlyCsv(readFile(directory.file("real.csv")));
    EXPECT_EQ(readFile(directory.file("link.csv")), readFile(directory.file("real.csv")));
    EXPECT_TRUE(S_ISLNK(statusOf(directory.file("link.csv")).st_mode));
    EXPECT_EQ(statusOf(directory.file("real.csv")).st_mode & 07777, 0640u);
    EXPECT_TRUE(S_ISFIFO(statusOf(directory.file("fifo")).st_mode));
    EXPECT_TRUE(S_ISCHR(statusOf(directory.file("null")).st_mode));
    EXPECT_EQ(statusOf(directory.file("null")).st_rdev, makedev(1, 3));
    EXPECT_EQ(directory.entries(), (std::vector<std::string>{"fifo", "link.csv", "null", "real.csv"}));
}

TEST(GliderFlightOutputTargets, AReplacedFileKeepsItsModeAndOwnerAndAHardLinkedOneIsWrittenInPlace) {
    if (!isRoot()) {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    ScratchDirectory directory;
    writeFile(directory.file("private.csv"), "old\n");
    ASSERT_EQ(::chown(directory.file("private.csv").c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(directory.file("private.csv").c_str(), 0600), 0);
    writeFile(directory.file("log.igc"), "old\n");
    ASSERT_EQ(::link(directory.file("log.igc").c_str(), directory.file("other-name.igc").c_str()), 0);

    const ProgramRun run = runFlight(directory, with(kShortFlight, {"--csv", "private.csv", "--igc", "log.igc"}));

    ASSERT_EQ(run.status, 0) << run.err;
    const struct stat replaced = statusOf(directory.file("private.csv"));
    EXPECT_EQ(replaced.st_mode & 07777, 0600u);
    EXPECT_EQ(replaced.st_uid, static_cast<uid_t>(kNobody));
    EXPECT_EQ(replaced.st_gid, static_cast<gid_t>(kNobody));
    expectOnlyCsv(readFile(directory.file("private.csv")));
    expectOnlyIgc(readFile(directory.file("other-name.igc")));
    EXPECT_EQ(statusOf(directory.file("log.igc")).st_ino, statusOf(directory.file("other-name.igc")).st_ino);
}

// As a user other than root, the program may write exactly what `>` may.
TEST(GliderFlightOutputTargets, AnUnprivilegedUserWritesWhatARedirectionWould) {
    ScratchDirectory open; // everyone may create files here
    if (!isRoot() || !everyoneReaches(open.path()) || !everyoneReaches(GLIDER_FLIGHT_PROGRAM)) {
        GTEST_SKIP() << "needs root, and the program and scratch folders within everyone's reach";
    }
    RunSetup nobody;
    nobody.user = kNobody;
    ASSERT_EQ(::chmod(open.path().c_str(), 0777), 0);
    writeFile(open.file("read-only.csv"), "old\n");
    ASSERT_EQ(::chmod(open.file("read-only.csv").c_str(), 0644), 0);
    ScratchDirectory closed; // nobody may create files here, but may write one
    ASSERT_EQ(::chmod(closed.path().c_str(), 0755), 0);
    writeFile(closed.file("shared.csv"), "old\n");
    ASSERT_EQ(::chmod(closed.file("shared.csv").c_str(), 0666), 0);

    const ProgramRun refused = runFlight(open, with(kShortFlight, {"--csv", "read-only.csv"}), nobody);
    const ProgramRun inPlace = runFlight(closed, with(kShortFlight, {"--csv", "shared.csv"}), nobody);

    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "glider-flight: --csv: cannot write 'read-only.csv': Permission denied\n");
    EXPECT_EQ(readFile(open.file("read-only.csv")), "old\n");
    EXPECT_EQ(open.entries(), std::vector<std::string>{"read-only.csv"});
    ASSERT_EQ(inPlace.status, 0) << inPlace.err;
    expectOnlyCsv(readFile(closed.file("shared.csv")));
    EXPECT_EQ(statusOf(closed.file("shared.csv")).st_uid, 0u);
    EXPECT_EQ(closed.entries(), std::vector<std::string>{"shared.csv"});
}

TEST(GliderFlightOutputTargets, OutputsNamingOneFileOrTheTerrainAreRefusedWhateverTheirSpelling) {
    struct Case {
        std::vector<std::string> arguments;
        std::string named;
    };
    ScratchDirectory directory;
    jpegtest::writeFile(directory.file("terrain.jpg"),
                        jpegtest::encode(jpegtest::greyImage(8, 8, [](int, int) { return 100; })));
    const std::string terrain = readFile(directory.file("terrain.jpg"));
    writeFile(directory.file("keep.csv"), "old\n");
    ASSERT_EQ(::symlink("keep.csv", directory.file("link.csv").c_str()), 0);
    ASSERT_EQ(::symlink("new.csv", directory.file("dangling.csv").c_str()), 0);
    const std::vector<Case> cases = {
        {{"--csv", "./keep.csv", "--igc", "keep.csv"}, "--igc"},
        {{"--csv", directory.file("keep.csv"), "--igc", "keep.csv"}, "--igc"},
        {{"--csv", "keep.csv", "--igc", "link.csv"}, "--igc"},
        {{"--csv", "./new.csv", "--igc", "dangling.csv"}, "--igc"}, // a file neither has made yet
        {{"--igc", "terrain.jpg"}, "terrain.jpg"},
        {{"--csv", "./terrain.jpg"}, "terrain.jpg"},
        {{"--terrain", "link.csv", "--igc", "keep.csv"}, "--igc"},
    };
    for (const Case& clash : cases) {
        SCOPED_TRACE(::testing::PrintToString(clash.arguments));
        const ProgramRun run = runFlight(directory, with({"--steps", "10"}, clash.arguments));
        EXPECT_EQ(run.status, 2);
        ASSERT_EQ(lines(run.err).size(), 1u) << run.err;
        EXPECT_NE(run.err.find(clash.named), std::string::npos) << run.err;
        EXPECT_EQ(directory.entries(),
                  (std::vector<std::string>{"dangling.csv", "keep.csv", "link.csv", "terrain.jpg"}));
        EXPECT_EQ(readFile(directory.file("keep.csv")), "old\n");
        EXPECT_EQ(readFile(directory.file("terrain.jpg")), terrain);
    }
}

TEST(GliderFlightOutputTargets, AWriteThatFailsGivesTheSystemsReasonAndReplacesNoOutput) {
    ScratchDirectory directory;
    writeFile(directory.file("keep.csv"), "old csv\n");
    writeFile(directory.file("keep.igc"), "old igc\n");
    // The CSV (a few rows) fits under the limit, the log (a minute of fixes)
    // does not; the CSV comes first and must still not be put in place.
    RunSetup limited;
    limited.fileSizeLimit = 1500;
    const ProgramRun run =
        runFlight(directory, {"--generated-terrain", "--every", "3000", "--csv", "keep.csv", "--igc", "keep.igc"},
                  limited);

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "glider-flight: --igc: cannot write 'keep.igc': File too large\n");
    EXPECT_EQ(readFile(directory.file("keep.csv")), "old csv\n");
    EXPECT_EQ(readFile(directory.file("keep.igc")), "old igc\n");
    EXPECT_EQ(directory.entries(), (std::vector<std::string>{"keep.csv", "keep.igc"}));
}

// A real full filesystem, where the system allows mounting a small one.
TEST(GliderFlightOutputTargets, AFullFilesystemIsReportedAsSuchAndTheTargetKept) {
    ScratchDirectory directory;
    const std::string small = directory.file("small");
    ASSERT_EQ(::mkdir(small.c_str(), 0755), 0);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small filesystem here: " << std::strerror(errno);
    }
    writeFile(small + "/flight.csv", "old\n");
    const ProgramRun run = runFlight(directory, {"--steps", "2000", "--generated-terrain", "--csv", "small/flight.csv"});
    const std::string kept = readFile(small + "/flight.csv");
    const std::vector<std::string> left = ScratchDirectory::entriesOf(small);
    ::umount(small.c_str());

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "glider-flight: --csv: cannot write 'small/flight.csv': No space left on device\n");
    EXPECT_EQ(kept, "old\n");
    EXPECT_EQ(left, std::vector<std::string>{"flight.csv"});
}

TEST(GliderFlightOutputTargets, AFileNameOfTheLongestLegalLengthIsWritten) {
    ScratchDirectory directory;
    for (const std::size_t length : {249u, 255u}) {
        const std::string name = std::string(length - 4, 'f') + ".csv";
        const ProgramRun run = runFlight(directory, with(kShortFlight, {"--csv", name}));
        ASSERT_EQ(run.status, 0) << run.err;
        expectOnlyCsv(readFile(directory.file(name)));
    }
    EXPECT_EQ(directory.entries().size(), 2u);
}

TEST(GliderFlightInterrupted, ASignalRemovesThePendingFilesAndEndsTheProgramByThatSignal) {
    // No core from the quit signal in the scratch folder.
    rlimit noCore{0, 0};
    ::getrlimit(RLIMIT_CORE, &noCore);
    noCore.rlim_cur = 0;
    ::setrlimit(RLIMIT_CORE, &noCore);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM}) {
        SCOPED_TRACE(signal);
        ScratchDirectory directory;
        ScratchDirectory captures;
        const int child = flighttest::startFlight(
            directory, captures, {"--steps", "8640000", "--generated-terrain", "--csv", "a.csv", "--igc", "a.igc"});
        // Wait until both temporary files exist and hold data.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (directory.entries().size() < 2 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (directory.entries().size() != 2u) {
            ::kill(child, SIGKILL); // never left running behind a failed test
            ::waitpid(child, nullptr, 0);
            FAIL() << "the temporary files never appeared: " << ::testing::PrintToString(directory.entries());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);

        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_TRUE(directory.entries().empty()) << ::testing::PrintToString(directory.entries());
    }
}
