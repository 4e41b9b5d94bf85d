#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

namespace flight {

// A recording written as it grows, so that however the process ends (a
// crash, kill -9, a power cut) the file holds all but its last moments:
// - it is created under its final name, exclusively: it never replaces
//   another file, and a name already taken is reported as EEXIST;
// - whole records are gathered in a buffer of fixed size (nothing is
//   allocated after create) and written out together, so the file on disk
//   always ends with a whole record;
// - a write that fails (a full disk) is undone back to the last whole record
//   and what was buffered is kept for the next try; disk space reserved
//   ahead (beyond the end of the file, which keeps its size) lets a small
//   file go on after the disk is full.
// Failures are errno values, 0 for success.
class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Creates `path` with a buffer of `bufferBytes` and, where the file
    // system can, `reserveBytes` of disk kept ahead of the data.
    int create(const std::string& path, std::size_t bufferBytes, std::size_t reserveBytes);
    bool isOpen() const { return descriptor >= 0; }
    // Adds one whole record (at most the buffer's size), writing out first if
    // it would not fit. False when it is dropped: stopped, or no room because
    // writing out keeps failing.
    bool append(const char* data, std::size_t size);
    // Writes out every buffered record; with `sync`, to the disk itself.
    int writeOut(bool sync);
    // writeOut(true) through system calls only, changing nothing the other
    // calls rely on: safe in a signal handler, even one that interrupted
    // append or writeOut (bytes written twice land on the same place).
    void writeOutNow() const noexcept;
    // Nothing more is added: what is buffered is dropped, the file keeps the
    // whole records already written.
    void stop();
    bool stopped() const { return stopped_; }
    // Writes out, syncs, gives back the reserved space and closes. Returns
    // the first failure of the whole file's life, 0 if every record arrived.
    int close();
    // Removes the file just created, before anything of value is in it.
    void abandon();

    long long bytesWritten() const { return written.load(); }

private:
    void reserveAhead();

    std::string path;
    int descriptor = -1;
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0;
    std::size_t reserve = 0;
    long long reservedTo = 0;            // (unit: bytes) end of the space reserved
    std::atomic<std::size_t> pending{0}; // buffered bytes, whole records only
    std::atomic<long long> written{0};   // file bytes, whole records only
    int firstError = 0;
    bool stopped_ = false;
};

} // namespace flight
