#include "recording/PendingFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace flight {

namespace {

// Fixed storage, written only with the signals below blocked: the handler
// may run at any moment and must find whole paths or empty slots.
constexpr int kMaxPending = 4;
constexpr std::size_t kMaxPathBytes = 4096;
char pendingPaths[kMaxPending][kMaxPathBytes];

// Every signal that can be caught and whose default ends the process, the
// faults included (a crash leaves no temporary either); it still ends by it,
// with a core where the system keeps one.
constexpr int kCleanupSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGPIPE,   SIGQUIT, SIGUSR1, SIGUSR2,
                                   SIGALRM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,
                                   SIGSYS,  SIGTRAP, SIGABRT, SIGSEGV,   SIGBUS,  SIGFPE,  SIGILL};

void removePending() {
    for (auto& path : pendingPaths) {
        if (path[0] != '\0') {
            ::unlink(path);
            path[0] = '\0';
        }
    }
}

// Async-signal-safe: unlink, then the default action of the same signal,
// which SA_RESETHAND has already restored and SA_NODEFER lets through.
void removePendingAndDie(int signal) {
    removePending();
    ::raise(signal);
}

void installCleanup() {
    std::atexit(removePending);
    for (int signal : kCleanupSignals) {
        struct sigaction current {};
        // Ignored, or handled by the program itself (which ends through exit,
        // where atexit removes the files) or by a sanitizer: left as it is.
        if (::sigaction(signal, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
            current.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction cleanup {};
        cleanup.sa_handler = removePendingAndDie;
        sigemptyset(&cleanup.sa_mask);
        cleanup.sa_flags = SA_RESETHAND | SA_NODEFER;
        ::sigaction(signal, &cleanup, nullptr);
    }
}

// Blocks the cleanup signals for its lifetime.
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : kCleanupSignals) {
            sigaddset(&held, signal);
        }
        ::sigprocmask(SIG_BLOCK, &held, &previous);
    }
    ~SignalsHeld() {
        const int error = errno; // the caller's failure, not ours
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
        errno = error;
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous;
};

void clearSlot(const std::string& path) {
    for (auto& slot : pendingPaths) {
        if (path == slot) {
            slot[0] = '\0';
        }
    }
}

} // namespace

int createPendingFile(std::string& pattern) {
    static const bool installed = (installCleanup(), true);
    (void)installed;
    if (pattern.size() >= kMaxPathBytes) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const SignalsHeld held;
    for (auto& slot : pendingPaths) {
        if (slot[0] == '\0') {
            const int descriptor = ::mkstemp(pattern.data());
            if (descriptor >= 0) {
                std::memcpy(slot, pattern.c_str(), pattern.size() + 1);
            }
            return descriptor;
        }
    }
    errno = EMFILE;
    return -1;
}

void forgetPendingFile(const std::string& path) {
    const SignalsHeld held;
    clearSlot(path);
}

int renamePendingFile(const std::string& path, const std::string& target, bool replace) {
    const SignalsHeld held;
    int result = 0;
    if (replace) {
        result = std::rename(path.c_str(), target.c_str());
    } else if ((result = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE)) != 0 &&
               errno == EINVAL) {
        // A file system without the flag: a link fails the same way on a
        // name that is taken; the temporary name then goes.
        if ((result = ::link(path.c_str(), target.c_str())) == 0) {
            ::unlink(path.c_str());
        }
    }
    if (result == 0) {
        clearSlot(path);
    }
    return result;
}

} // namespace flight
