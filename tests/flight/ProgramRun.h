#pragma once

#include <string>
#include <vector>

// Runs glider-flight as a user would: in a fresh working directory of its
// own, with its standard output and error captured.
namespace flighttest {

struct ProgramRun {
    int status = -1; // exit status; -1 if the program did not exit normally
    std::string out;
    std::string err;
};

// A new empty directory, removed with everything in it on destruction.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return root; }
    std::string file(const std::string& name) const { return root + "/" + name; }
    // Names of the entries, sorted.
    std::vector<std::string> entries() const { return entriesOf(root); }
    static std::vector<std::string> entriesOf(const std::string& folder);

private:
    std::string root;
};

// How the program is started, beyond its arguments.
struct RunSetup {
    bool closeStandardOutput = false;
    bool closeStandardError = false;
    // Largest file the program may write (unit: bytes); -1 for no limit. The
    // size-limit signal is ignored, so a write past it fails with EFBIG.
    long long fileSizeLimit = -1;
    int user = -1; // run as this user and group id (needs root); -1 for the test's own
};

ProgramRun runFlight(const ScratchDirectory& directory, const std::vector<std::string>& arguments,
                     const RunSetup& setup = {});

// Starts the program without waiting for it; its standard output and error
// go to files in `captures`. Returns its process id.
int startFlight(const ScratchDirectory& directory, const ScratchDirectory& captures,
                const std::vector<std::string>& arguments);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
std::vector<std::string> lines(const std::string& text);

// The run was refused as bad input: status 2, nothing on standard output and
// one line of glider-flight's on standard error that names `named`.
void expectRefusedInOneLine(const ProgramRun& run, const std::string& named);

} // namespace flighttest
