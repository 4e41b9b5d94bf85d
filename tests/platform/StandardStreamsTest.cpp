// A program started with standard streams closed: the numbers 0 to 2 must
// not go to the first files it opens. Each case runs in a child process,
// since it closes the test runner's own streams.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "platform/StandardStreams.h"

namespace {

// The character device major 1, minor 3 that /dev/null is on Linux.
bool isNullDevice(int descriptor) {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 && S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3);
}

// Closes the given descriptors, runs the guard, and exits 0 only if every
// closed one now reads or writes the null device and a file opened next
// takes a number above the standard three.
void closeThenGuard(std::initializer_list<int> closed) {
    for (int descriptor : closed) {
        ::close(descriptor);
    }
    openClosedStandardStreams();
    bool ok = true;
    for (int descriptor : closed) {
        const int mode = ::fcntl(descriptor, F_GETFL) & O_ACCMODE;
        ok = ok && isNullDevice(descriptor) && mode == (descriptor == 0 ? O_RDONLY : O_WRONLY);
    }
    const int next = ::open(".", O_RDONLY | O_DIRECTORY);
    ::_exit(ok && next > 2 ? 0 : 1);
}

} // namespace

TEST(StandardStreams, EveryClosedStandardDescriptorGetsTheNullDevice) {
    EXPECT_EXIT(closeThenGuard({1}), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(closeThenGuard({0, 2}), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(closeThenGuard({0, 1, 2}), ::testing::ExitedWithCode(0), "");
}

TEST(StandardStreams, OpenStreamsAreLeftAsTheyAre) {
    const auto keepsStandardError = [] {
        struct stat before {};
        ::fstat(2, &before);
        openClosedStandardStreams();
        struct stat after {};
        ::fstat(2, &after);
        ::_exit(before.st_dev == after.st_dev && before.st_ino == after.st_ino ? 0 : 1);
    };
    EXPECT_EXIT(keepsStandardError(), ::testing::ExitedWithCode(0), "");
}
