#include "tests/flight/ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace flighttest {

ScratchDirectory::ScratchDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/glider-flight-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    root = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored; // a leftover scratch directory must not fail a test
    std::filesystem::remove_all(root, ignored);
}

std::vector<std::string> ScratchDirectory::entriesOf(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// In the child: the captures, the limits and the user, then the program.
[[noreturn]] void execFlight(const ScratchDirectory& directory, const std::string& outPath,
                             const std::string& errPath, const std::vector<std::string>& arguments,
                             const RunSetup& setup) {
    std::vector<std::string> argv{GLIDER_FLIGHT_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
        ::chdir(directory.path().c_str()) != 0) {
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
    if (setup.closeStandardOutput) {
        ::close(1);
    }
    if (setup.closeStandardError) {
        ::close(2);
    }
    if (setup.fileSizeLimit >= 0) {
        const rlimit limit{static_cast<rlim_t>(setup.fileSizeLimit), static_cast<rlim_t>(setup.fileSizeLimit)};
        std::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            ::_exit(127);
        }
    }
    if (setup.user >= 0 && (::setgroups(0, nullptr) != 0 || ::setgid(static_cast<gid_t>(setup.user)) != 0 ||
                            ::setuid(static_cast<uid_t>(setup.user)) != 0)) {
        ::_exit(127);
    }
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
}

} // namespace

ProgramRun runFlight(const ScratchDirectory& directory, const std::vector<std::string>& arguments,
                     const RunSetup& setup) {
    // The captures live outside the scratch directory so they never show up
    // among the program's own outputs.
    ScratchDirectory captures;
    const std::string outPath = captures.file("stdout");
    const std::string errPath = captures.file("stderr");
    const pid_t child = ::fork();
    if (child == 0) {
        execFlight(directory, outPath, errPath, arguments, setup);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ProgramRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

int startFlight(const ScratchDirectory& directory, const ScratchDirectory& captures,
                const std::vector<std::string>& arguments) {
    const pid_t child = ::fork();
    if (child == 0) {
        execFlight(directory, captures.file("stdout"), captures.file("stderr"), arguments, RunSetup());
    }
    return child;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

void expectRefusedInOneLine(const ProgramRun& run, const std::string& named) {
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(lines(run.err).size(), 1u) << run.err;
    EXPECT_EQ(run.err.rfind("glider-flight: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
}

} // namespace flighttest
