#include "recording/WholeFile.h"

#include <fstream>

std::string readWholeFile(const std::string& path, std::size_t maxBytes, const char* what, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return path + ": cannot be opened";
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0) {
        return path + ": cannot be read (not a regular file?)";
    }
    if (static_cast<unsigned long long>(length) > maxBytes) {
        return path + ": too large for " + what;
    }
    in.seekg(0, std::ios::beg);
    bytes.assign(static_cast<std::size_t>(length), '\0');
    if (!in.read(bytes.data(), length)) {
        return path + ": cannot be read";
    }
    return {};
}
