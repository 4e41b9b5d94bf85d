#pragma once

#include <cstddef>
#include <string>

// A recording read back whole, refused before any byte is kept when it is not
// a readable regular file or is larger than its kind ever is. On failure
// returns one line naming the file ("too large for <what>"), else "" with the
// file's bytes in `bytes`.
std::string readWholeFile(const std::string& path, std::size_t maxBytes, const char* what, std::string& bytes);
