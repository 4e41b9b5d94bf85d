#include "recording/OutputTarget.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace flight {

namespace {

// The kernel's own limit on symbolic links followed while resolving a path.
constexpr int kMaxLinksFollowed = 40;

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string refusal(const std::string& path, int error) {
    return "cannot write '" + path + "': " + std::strerror(error);
}

// Follows symbolic links in the last component, as open() does, to what
// the data must reach; `exists` tells whether anything is there.
int followLinks(const std::string& path, std::string& resolved, bool& exists) {
    std::string current = path;
    for (int followed = 0;; ++followed) {
        struct stat link {};
        if (::lstat(current.c_str(), &link) != 0) {
            if (errno != ENOENT) {
                return errno;
            }
            exists = false;
            break;
        }
        if (!S_ISLNK(link.st_mode)) {
            exists = true;
            break;
        }
        if (followed == kMaxLinksFollowed) {
            return ELOOP;
        }
        char text[PATH_MAX];
        const ssize_t length = ::readlink(current.c_str(), text, sizeof text);
        if (length < 0 || length == static_cast<ssize_t>(sizeof text)) {
            return length < 0 ? errno : ENAMETOOLONG;
        }
        const std::string target(text, static_cast<std::size_t>(length));
        current = target[0] == '/' ? target : directoryOf(current) + "/" + target;
    }
    resolved = current;
    return 0;
}

bool mayCreateIn(const std::string& directory) {
    return ::faccessat(AT_FDCWD, directory.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// A file renamed over `file` keeps its owner only if this process may give
// it that owner (root, or the owner with its own group), and keeps its other
// hard links only if there are none. Owning the file also satisfies a sticky
// directory (like /tmp), where only owners may rename over a file.
bool canReplace(const std::string& directory, const struct stat& file) {
    if (file.st_nlink != 1 || !mayCreateIn(directory)) {
        return false;
    }
    const uid_t user = ::geteuid();
    return user == 0 || (file.st_uid == user && file.st_gid == ::getegid());
}

// Nothing is there: follows a dangling link to the name that open() would
// create, whose directory must exist and be writable.
std::string resolveNewFile(const std::string& path, OutputTarget& target) {
    bool exists = false;
    if (const int error = followLinks(path, target.resolved, exists)) {
        return refusal(path, error);
    }
    if (exists) { // it appeared meanwhile: refused rather than guessed at
        return refusal(path, EEXIST);
    }
    const std::string name = nameOf(target.resolved);
    if (name.empty() || name == "." || name == "..") {
        return refusal(path, EISDIR);
    }
    const std::string directory = directoryOf(target.resolved);
    struct stat folder {};
    if (::stat(directory.c_str(), &folder) != 0) {
        return refusal(path, errno);
    }
    if (!S_ISDIR(folder.st_mode)) {
        return refusal(path, ENOTDIR);
    }
    if (!mayCreateIn(directory)) {
        return refusal(path, errno);
    }
    target.kind = OutputTarget::Kind::NewFile;
    target.identity = FileIdentity{true, folder.st_dev, folder.st_ino, name};
    return {};
}

} // namespace

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.known && b.known && a.device == b.device && a.inode == b.inode && a.name == b.name;
}

std::string resolveOutput(const std::string& path, OutputTarget& target) {
    target = OutputTarget();
    target.path = path;
    if (path == "-") {
        struct stat output {};
        if (::fstat(STDOUT_FILENO, &output) == 0 && S_ISREG(output.st_mode)) {
            target.identity = FileIdentity{true, output.st_dev, output.st_ino, {}};
        }
        return {};
    }
    // What open() would reach, through every link, /proc's included (the
    // links of /dev/stdout lead to "pipe:[...]", which is no path at all).
    struct stat& file = target.existing;
    if (::stat(path.c_str(), &file) != 0) {
        if (errno != ENOENT) {
            return refusal(path, errno);
        }
        return resolveNewFile(path, target);
    }
    if (S_ISDIR(file.st_mode)) {
        return refusal(path, EISDIR);
    }
    // The permission a shell's `>` would need, whatever the directory allows.
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        return refusal(path, errno);
    }
    target.identity = FileIdentity{true, file.st_dev, file.st_ino, {}};
    if (!S_ISREG(file.st_mode)) {
        target.kind = OutputTarget::Kind::Stream;
        target.resolved = path; // opened as named
        return {};
    }
    // A plain file is replaced where it really lies, beside itself.
    char real[PATH_MAX];
    if (::realpath(path.c_str(), real) == nullptr) {
        return refusal(path, errno);
    }
    target.kind = OutputTarget::Kind::RegularFile;
    target.resolved = real;
    target.replaceable = canReplace(directoryOf(target.resolved), file);
    return {};
}

FileIdentity identifyInput(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) {
        return {};
    }
    return FileIdentity{true, file.st_dev, file.st_ino, {}};
}

} // namespace flight
