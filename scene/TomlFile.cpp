#include "scene/TomlFile.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tomlfile {

std::string readText(const std::string& path, std::uintmax_t maxBytes, std::string& text) {
    std::error_code code;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, code)) {
        return path + ": cannot read: not a regular file";
    }
    const std::uintmax_t bytes = std::filesystem::file_size(file, code);
    if (code || bytes > maxBytes) {
        return path + ": cannot read: " +
               (code ? code.message() : "larger than " + std::to_string(maxBytes >> 20) + " MiB");
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (!in.good() && !in.eof()) {
        return path + ": cannot read";
    }
    text = content.str();
    return {};
}

Parsed parse(const std::string& text, const std::string& name) {
    Parsed parsed;
    try {
        parsed.table = toml::parse(text, name);
    } catch (const toml::parse_error& error) {
        parsed.line = static_cast<int>(error.source().begin.line);
        parsed.description = std::string(error.description());
        return parsed;
    }
    parsed.ok = true;
    return parsed;
}

Parsed readFile(const std::string& path, std::uintmax_t maxBytes) {
    std::string text;
    const std::string reason = readText(path, maxBytes, text);
    if (!reason.empty()) {
        Parsed parsed;
        parsed.message = reason;
        return parsed;
    }
    return parse(text, path);
}

std::vector<UnknownKey> unknownKeys(const toml::table& table, std::initializer_list<const char*> known) {
    std::vector<UnknownKey> unknown;
    for (auto&& [key, node] : table) {
        bool listed = false;
        for (const char* k : known) {
            listed = listed || key.str() == k;
        }
        if (!listed) {
            unknown.push_back(UnknownKey{std::string(key.str()), static_cast<int>(key.source().begin.line)});
        }
    }
    return unknown;
}

} // namespace tomlfile
