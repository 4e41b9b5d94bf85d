#include "tools/flight/OutputFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace flight {

namespace {

// Temporary files to remove if the process exits before they are committed.
// Fixed storage: the exit handler must not depend on anything being alive.
constexpr int kMaxPending = 4;
constexpr std::size_t kMaxPathBytes = 4096;
char pendingPaths[kMaxPending][kMaxPathBytes];

void removePendingAtExit() {
    for (auto& path : pendingPaths) {
        if (path[0] != '\0') {
            ::unlink(path);
            path[0] = '\0';
        }
    }
}

bool remember(const std::string& path) {
    static const bool registered = std::atexit(removePendingAtExit) == 0;
    if (!registered || path.size() >= kMaxPathBytes) {
        return false;
    }
    for (auto& slot : pendingPaths) {
        if (slot[0] == '\0') {
            std::memcpy(slot, path.c_str(), path.size() + 1);
            return true;
        }
    }
    return false;
}

void forget(const std::string& path) {
    for (auto& slot : pendingPaths) {
        if (path == slot) {
            slot[0] = '\0';
        }
    }
}

std::string systemReason(const std::string& what) {
    return what + ": " + (errno != 0 ? std::strerror(errno) : "write failed");
}

} // namespace

OutputFile::~OutputFile() { discard(); }

std::string OutputFile::open(const std::string& path) {
    discard();
    target = path;
    if (path == "-") {
        file = stdout;
        pending = true;
        return {};
    }
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        return "cannot create '" + path + "': it is a directory";
    }
    std::string pattern = path + ".tmp-XXXXXX";
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0) {
        return systemReason("cannot create '" + path + "'");
    }
    // mkstemp makes the file private; give it the mode a plain fopen would.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);
    file = ::fdopen(descriptor, "wb");
    if (!file || !remember(pattern)) {
        const std::string reason = systemReason("cannot create '" + path + "'");
        if (file) {
            std::fclose(file);
        } else {
            ::close(descriptor);
        }
        file = nullptr;
        ::unlink(pattern.c_str());
        return reason;
    }
    temporary = pattern;
    pending = true;
    return {};
}

std::string OutputFile::commit() {
    if (!pending) {
        return "nothing to write";
    }
    pending = false;
    if (temporary.empty()) {
        errno = 0;
        const bool failed = std::fflush(file) != 0 || std::ferror(file);
        file = nullptr;
        return failed ? systemReason("cannot write standard output") : std::string();
    }
    errno = 0;
    const bool writeFailed = std::ferror(file) != 0;
    const bool closeFailed = std::fclose(file) != 0;
    file = nullptr;
    if (writeFailed || closeFailed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string reason = systemReason("cannot write '" + target + "'");
        ::unlink(temporary.c_str());
        forget(temporary);
        temporary.clear();
        return reason;
    }
    forget(temporary);
    temporary.clear();
    return {};
}

void OutputFile::discard() {
    if (!pending) {
        return;
    }
    pending = false;
    if (!temporary.empty()) {
        std::fclose(file);
        ::unlink(temporary.c_str());
        forget(temporary);
        temporary.clear();
    }
    file = nullptr;
}

} // namespace flight
