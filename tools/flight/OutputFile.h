#pragma once

#include <cstdio>
#include <string>

namespace flight {

// An output that appears whole or not at all. The data goes to a temporary
// file beside the target, which replaces the target only when everything
// was written; until then the target is untouched. "-" is standard output,
// written as it goes.
//
// A temporary file still pending when the process exits (libjpeg ends the
// process on a corrupt heightmap, for instance) is removed at exit.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file. On failure returns the reason and leaves
    // nothing behind; on success returns an empty string.
    std::string open(const std::string& path);
    std::FILE* stream() const { return file; }
    // Flushes, closes and moves the data into place. Returns the reason when
    // a write failed, after removing the temporary file; else an empty string.
    std::string commit();

private:
    void discard();

    std::string target;
    std::string temporary; // empty for standard output
    std::FILE* file = nullptr;
    bool pending = false;
};

} // namespace flight
