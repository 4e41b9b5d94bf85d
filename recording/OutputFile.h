#pragma once

#include <cstdio>
#include <string>

#include "recording/OutputTarget.h"

namespace flight {

// One output of a run, written through what its path names:
// - a new or existing plain file appears whole or not at all: the data goes
//   to a temporary file beside it, which takes its place (with its mode and
//   owner) only on commit; a new file's name that something else took
//   meanwhile is not replaced (commit fails, naming it);
// - a plain file that cannot be replaced that way (its folder is not
//   writable, it has other hard links, or its owner could not be kept) is
//   written in place, as `>` would, but only on commit, from a copy staged in
//   an unnamed temporary file, so a failed run leaves it untouched too;
// - a FIFO or device, and standard output, receive the data as it comes.
// The steps are open, then finish for every output, then commit for every
// output: a write that fails anywhere is found before anything is replaced.
//
// Failures are returned as one line naming the path and the system's reason;
// an empty string means success. A temporary file is removed on failure, on
// destruction, and by PendingFiles when the process ends early.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::string open(const OutputTarget& target);
    // Resolves `path` (resolveOutput) and opens it.
    std::string open(const std::string& path);
    std::FILE* stream() const { return file; }
    // Writes out what is buffered and closes the stream: the data is then
    // complete on disk in its temporary file, or delivered.
    std::string finish();
    // Puts finished data in place, finishing it first if need be.
    std::string commit();
    // Drops the output: temporary files are removed, the target untouched.
    void discard();

private:
    enum class Mode { Closed, StandardOutput, Direct, Replace, InPlace };

    static ssize_t writeThrough(void* cookie, const char* data, std::size_t size);
    std::string createBeside();
    std::string stageAside();
    std::string openStream();
    std::string failure(int error) const;
    std::string copyIntoTarget();

    OutputTarget target;
    Mode mode = Mode::Closed;
    int descriptor = -1;   // the target itself, the temporary beside it, or the staging copy
    int firstError = 0;    // errno of the first write that failed
    std::string failedWith; // why finish failed: commit must not report success
    std::string temporary; // Replace: the file beside the target
    std::FILE* file = nullptr;
};

} // namespace flight
