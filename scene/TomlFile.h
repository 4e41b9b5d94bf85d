#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <toml++/toml.h>

// The one way the programs read their small TOML files (scenarios and
// settings): a regular file of bounded size read whole, then parsed.
namespace tomlfile {

struct Parsed {
    bool ok = false;
    toml::table table;
    // On failure: a file that cannot be read, `message` is one line naming
    // it; TOML that does not parse, `line` and `description` say where and
    // what (each caller words its own message), and `message` is empty.
    std::string message;
    int line = 0;
    std::string description;
};

// Directories, FIFOs and devices are refused without being opened (a FIFO
// would block the start); so is anything larger than `maxBytes`.
Parsed readFile(const std::string& path, std::uintmax_t maxBytes);
// Text already in memory; `name` stands for its file in the parser's records.
Parsed parse(const std::string& text, const std::string& name);
// The whole file's text, under the same checks; "" on success.
std::string readText(const std::string& path, std::uintmax_t maxBytes, std::string& text);

// A key of a table that is none of the known ones, and where it is.
struct UnknownKey {
    std::string key;
    int line = 0;
};
std::vector<UnknownKey> unknownKeys(const toml::table& table, std::initializer_list<const char*> known);

} // namespace tomlfile
