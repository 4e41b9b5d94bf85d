#pragma once

#include <string>
#include <sys/stat.h>
#include <sys/types.h>

// What an output path names, found before anything is written, so that the
// output is written through it the way a shell's `>` would: into the file a
// symbolic link leads to, into a FIFO or device as it is, and never by
// replacing something that is not a plain file.
namespace flight {

// One file system object. A file that does not exist yet is known by its
// directory and its name there, so two spellings of one new file compare
// equal too.
struct FileIdentity {
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string name; // empty for an existing file
};

bool sameFile(const FileIdentity& a, const FileIdentity& b);

struct OutputTarget {
    enum class Kind {
        StandardOutput, // "-"
        NewFile,        // nothing there yet: created whole or not at all
        RegularFile,    // an existing plain file: replaced whole or not at all
        Stream,         // a FIFO, a device or a socket: written as the data comes
    };
    Kind kind = Kind::StandardOutput;
    std::string path;     // as the user gave it
    // What is created, replaced or opened: a plain file's real path, the name
    // a dangling symbolic link leads to, a stream's path as given.
    std::string resolved;
    FileIdentity identity;
    // RegularFile: its mode and owner, which the new data keeps, and whether
    // a file renamed over it could keep them and its other names. When not,
    // the data is written into the file itself.
    struct stat existing {};
    bool replaceable = false;
};

// Fills `target` for `path`. Refuses, with the system's reason, what a
// shell's `>` would refuse (a missing directory, a file or directory the user
// may not write, a symbolic link loop) and a directory. Returns the reason,
// or an empty string.
std::string resolveOutput(const std::string& path, OutputTarget& target);

// The file an input path reads, unknown when there is none.
FileIdentity identifyInput(const std::string& path);

} // namespace flight
