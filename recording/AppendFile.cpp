#include "recording/AppendFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace flight {

namespace {

// pwrite until done; returns 0 or errno. Written at a fixed offset, a record
// written again (by a signal handler and the main code) lands on itself.
int writeAt(int descriptor, const char* data, std::size_t size, long long offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::pwrite(descriptor, data + done, size - done, static_cast<off_t>(offset) + done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return put < 0 ? errno : EIO;
        }
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

} // namespace

AppendFile::~AppendFile() { close(); }

int AppendFile::create(const std::string& name, std::size_t bufferBytes, std::size_t reserveBytes) {
    close();
    descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return errno;
    }
    path = name;
    buffer.reset(new char[bufferBytes]);
    capacity = bufferBytes;
    reserve = reserveBytes;
    reservedTo = 0;
    pending = 0;
    written = 0;
    firstError = 0;
    stopped_ = false;
    reserveAhead();
    return 0;
}

void AppendFile::reserveAhead() {
    // Best effort: a file system without it, or a disk already short of the
    // space, simply has no reserve.
    const long long want = written.load() + static_cast<long long>(reserve);
    if (reserve > 0 && ::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(want)) == 0) {
        reservedTo = want;
    }
}

bool AppendFile::append(const char* data, std::size_t size) {
    if (descriptor < 0 || stopped_ || size > capacity) {
        return false;
    }
    const std::size_t have = pending.load();
    if (capacity - have < size) {
        writeOut(false);
        if (capacity - pending.load() < size) {
            return false;
        }
    }
    const std::size_t at = pending.load();
    std::memcpy(buffer.get() + at, data, size);
    pending.store(at + size); // only now is the record visible to writeOutNow
    return true;
}

int AppendFile::writeOut(bool sync) {
    if (descriptor < 0) {
        return 0;
    }
    const std::size_t size = pending.load();
    const long long at = written.load();
    int error = size == 0 ? 0 : writeAt(descriptor, buffer.get(), size, at);
    if (error != 0) {
        // Back to the last whole record: a reader never meets half of one.
        while (::ftruncate(descriptor, static_cast<off_t>(at)) != 0 && errno == EINTR) {
        }
    } else {
        // In this order: a signal handler sees the records either still
        // buffered at their old place or gone, never buffered at a new one.
        pending.store(0);
        written.store(at + static_cast<long long>(size));
        if (reserve > 0 && written.load() + static_cast<long long>(reserve / 2) > reservedTo) {
            reserveAhead();
        }
        if (sync && ::fdatasync(descriptor) != 0 && errno != EINVAL) {
            error = errno;
        }
    }
    if (error != 0 && firstError == 0) {
        firstError = error;
    }
    return error;
}

void AppendFile::writeOutNow() const noexcept {
    if (descriptor < 0) {
        return;
    }
    const long long at = written.load();
    const std::size_t size = pending.load();
    if (size > 0 && writeAt(descriptor, buffer.get(), size, at) != 0) {
        return;
    }
    ::fdatasync(descriptor);
}

void AppendFile::stop() {
    pending.store(0);
    stopped_ = true;
}

int AppendFile::close() {
    if (descriptor < 0) {
        return 0;
    }
    if (!stopped_) {
        writeOut(true);
    }
    if (pending.load() > 0 && firstError == 0) {
        firstError = ENOSPC;
    }
    if (reservedTo > written.load()) {
        // The reserve past the end goes back to the file system.
        ::fallocate(descriptor, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(written.load()),
                    static_cast<off_t>(reservedTo - written.load()));
    }
    if (::close(descriptor) != 0 && firstError == 0 && errno != EINTR) {
        firstError = errno;
    }
    descriptor = -1;
    pending.store(0);
    return firstError;
}

void AppendFile::abandon() {
    if (descriptor < 0) {
        return;
    }
    ::close(descriptor);
    descriptor = -1;
    pending.store(0);
    ::unlink(path.c_str());
}

} // namespace flight
