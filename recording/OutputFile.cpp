#include "recording/OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "recording/PendingFiles.h"

namespace flight {

namespace {

constexpr const char* kTemporarySuffix = ".tmp-XXXXXX";
constexpr std::size_t kSuffixBytes = 11;

// The temporary's name: the target's, cut so that the suffix still fits in
// a file name (NAME_MAX bytes), at a character boundary of UTF-8 text.
std::string temporaryPatternFor(const std::string& resolved) {
    const std::size_t slash = resolved.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : resolved.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? resolved : resolved.substr(slash + 1);
    if (name.size() > NAME_MAX - kSuffixBytes) {
        std::size_t cut = NAME_MAX - kSuffixBytes;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        name.resize(cut);
    }
    return folder + name + kTemporarySuffix;
}

mode_t creationMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Closes `descriptor`, keeping the errno of an earlier failure.
void closeQuietly(int descriptor) {
    const int error = errno;
    ::close(descriptor);
    errno = error;
}

} // namespace

OutputFile::~OutputFile() { discard(); }

std::string OutputFile::failure(int error) const {
    if (target.kind == OutputTarget::Kind::StandardOutput) {
        return std::string("cannot write standard output: ") + std::strerror(error);
    }
    return "cannot write '" + target.path + "': " + std::strerror(error);
}

ssize_t OutputFile::writeThrough(void* cookie, const char* data, std::size_t size) {
    auto* self = static_cast<OutputFile*>(cookie);
    std::size_t done = 0;
    // After the first failure nothing more is tried: the run is lost anyway.
    while (self->firstError == 0 && done < size) {
        const ssize_t written = ::write(self->descriptor, data + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            self->firstError = written < 0 ? errno : EIO;
            break;
        }
        done += static_cast<std::size_t>(written);
    }
    return self->firstError == 0 ? static_cast<ssize_t>(size) : 0; // 0 marks the stream as failed
}

std::string OutputFile::openStream() {
    // Every byte goes through writeThrough, which keeps the system's reason
    // for a failed write; a plain FILE loses it by the time it is closed.
    cookie_io_functions_t functions{};
    functions.write = writeThrough;
    file = ::fopencookie(this, "w", functions);
    if (file == nullptr) {
        return failure(errno);
    }
    // Someone watching a terminal sees each row as it comes, as with stdio.
    if (::isatty(descriptor) != 0) {
        std::setvbuf(file, nullptr, _IOLBF, 0);
    }
    return {};
}

std::string OutputFile::createBeside() {
    std::string pattern = temporaryPatternFor(target.resolved);
    descriptor = createPendingFile(pattern);
    if (descriptor < 0) {
        return failure(errno);
    }
    temporary = pattern;
    const struct stat& old = target.existing;
    const bool kept = target.kind == OutputTarget::Kind::NewFile
                          ? ::fchmod(descriptor, creationMode()) == 0
                          : ((old.st_uid == ::geteuid() && old.st_gid == ::getegid()) ||
                             ::fchown(descriptor, old.st_uid, old.st_gid) == 0) &&
                                ::fchmod(descriptor, old.st_mode & 07777) == 0;
    if (!kept) {
        const int error = errno;
        discard();
        return failure(error);
    }
    return {};
}

std::string OutputFile::stageAside() {
    const char* base = std::getenv("TMPDIR");
    const std::string folder = base != nullptr && *base != '\0' ? base : "/tmp";
    // An unnamed file vanishes by itself however the process ends.
    descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        std::string pattern = folder + "/glider-flight-XXXXXX";
        descriptor = ::mkstemp(pattern.data());
        if (descriptor < 0) {
            return failure(errno);
        }
        ::unlink(pattern.c_str());
    }
    return {};
}

std::string OutputFile::open(const OutputTarget& output) {
    discard();
    target = output;
    firstError = 0;
    failedWith.clear();
    std::string reason;
    switch (target.kind) {
    case OutputTarget::Kind::StandardOutput:
        // Written through descriptor 1 like any stream, for the exact reason
        // of a failure; nothing else in the program writes standard output.
        mode = Mode::StandardOutput;
        descriptor = STDOUT_FILENO;
        break;
    case OutputTarget::Kind::Stream:
        descriptor = ::open(target.resolved.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (descriptor < 0) {
            return failure(errno);
        }
        mode = Mode::Direct;
        break;
    case OutputTarget::Kind::NewFile:
    case OutputTarget::Kind::RegularFile:
        mode = target.kind == OutputTarget::Kind::RegularFile && !target.replaceable ? Mode::InPlace : Mode::Replace;
        reason = mode == Mode::Replace ? createBeside() : stageAside();
        if (!reason.empty()) {
            mode = Mode::Closed;
            return reason;
        }
        break;
    }
    if (!(reason = openStream()).empty()) {
        discard();
    }
    return reason;
}

std::string OutputFile::open(const std::string& path) {
    OutputTarget resolved;
    const std::string reason = resolveOutput(path, resolved);
    return reason.empty() ? open(resolved) : reason;
}

std::string OutputFile::finish() {
    if (mode == Mode::Closed || file == nullptr) {
        return {};
    }
    const bool closeFailed = std::fclose(file) != 0;
    file = nullptr;
    int error = firstError != 0 ? firstError : (closeFailed ? EIO : 0);
    // A filesystem may report lack of space only when the data reaches it.
    if (error == 0 && mode == Mode::Replace && ::fsync(descriptor) != 0) {
        error = errno;
    }
    if (error == 0 && (mode == Mode::Direct || mode == Mode::Replace)) {
        const int closing = ::close(descriptor);
        descriptor = -1;
        if (closing != 0) {
            error = errno;
        }
    }
    if (error != 0) {
        discard();
        failedWith = failure(error);
        return failedWith;
    }
    return {};
}

std::string OutputFile::copyIntoTarget() {
    const int out = ::open(target.resolved.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
    if (out < 0) {
        return failure(errno);
    }
    std::vector<char> buffer(1 << 16);
    int error = ::lseek(descriptor, 0, SEEK_SET) < 0 ? errno : 0;
    while (error == 0) {
        const ssize_t got = ::read(descriptor, buffer.data(), buffer.size());
        if (got <= 0) {
            error = got < 0 && errno != EINTR ? errno : 0;
            if (got == 0 || error != 0) {
                break;
            }
            continue;
        }
        for (ssize_t done = 0; done < got && error == 0;) {
            const ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put > 0) {
                done += put;
            } else if (put == 0 || errno != EINTR) {
                error = put == 0 ? EIO : errno;
            }
        }
    }
    if (::close(out) != 0 && error == 0) {
        error = errno;
    }
    return error != 0 ? failure(error) : std::string();
}

std::string OutputFile::commit() {
    std::string reason = failedWith.empty() ? finish() : failedWith;
    if (!reason.empty()) {
        return reason;
    }
    // A new file takes its name only if nothing else took it during the run:
    // what another program created there meanwhile is not replaced.
    const bool replace = target.kind != OutputTarget::Kind::NewFile;
    if (mode == Mode::Replace && renamePendingFile(temporary, target.resolved, replace) != 0) {
        reason = failure(errno);
    } else if (mode == Mode::Replace) {
        temporary.clear();
    } else if (mode == Mode::InPlace) {
        reason = copyIntoTarget();
    }
    discard();
    return reason;
}

void OutputFile::discard() {
    if (file != nullptr) {
        std::fclose(file);
    }
    file = nullptr;
    if (descriptor >= 0 && mode != Mode::StandardOutput) {
        closeQuietly(descriptor);
    }
    descriptor = -1;
    if (!temporary.empty()) {
        ::unlink(temporary.c_str());
        forgetPendingFile(temporary);
        temporary.clear();
    }
    mode = Mode::Closed;
}

} // namespace flight
