#include "pilot/PilotSettings.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include <toml++/toml.h>

#include "pilot/CameraRig.h"
#include "recording/OutputFile.h"
#include "scene/TomlFile.h"

namespace {

// Settings files are a few lines; anything this large is not one.
constexpr std::uintmax_t kMaxFileBytes = 1u << 20;

template <typename T>
std::string readValue(const toml::table& table, const char* key, T& value) {
    const toml::node* node = table.get(key);
    if (!node) {
        return {};
    }
    if constexpr (std::is_same_v<T, bool>) {
        if (auto read = node->value_exact<bool>()) {
            value = *read;
            return {};
        }
        return std::string(key) + " must be true or false";
    } else if constexpr (std::is_same_v<T, std::string>) {
        if (auto read = node->value_exact<std::string>()) {
            value = *read;
            return {};
        }
        return std::string(key) + " must be a string";
    } else if constexpr (std::is_same_v<T, int>) {
        if (auto read = node->value_exact<int64_t>(); read && *read >= 0 && *read < 64) {
            value = static_cast<int>(*read);
            return {};
        }
        return std::string(key) + " must be a whole number from 0 to 63";
    } else {
        if (auto read = node->value<double>(); read && std::isfinite(*read)) {
            value = *read;
            return {};
        }
        return std::string(key) + " must be a finite number";
    }
}

std::string check(const PilotSettings& s) {
    CameraRig::Mode mode;
    if (!(s.volume >= 0.0 && s.volume <= 1.0)) {
        return "volume must lie within 0 to 1";
    }
    if (!CameraRig::modeFromName(s.camera.c_str(), mode)) {
        return "camera must be chase, pilot, orbit or ground";
    }
    if (!(s.sinkThreshold < s.climbThreshold)) {
        return "sink_threshold must lie below climb_threshold";
    }
    if (!(s.deadZone >= 0.0 && s.deadZone <= 0.9)) {
        return "dead_zone must lie within 0 to 0.9";
    }
    return {};
}

} // namespace

std::string PilotSettings::defaultPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') {
        return std::string(config) + "/glider-sim/pilot.toml";
    }
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0') {
        return std::string(home) + "/.config/glider-sim/pilot.toml";
    }
    return {};
}

bool PilotSettings::operator==(const PilotSettings& o) const {
    return volume == o.volume && muted == o.muted && camera == o.camera && climbThreshold == o.climbThreshold &&
           sinkThreshold == o.sinkThreshold && deadZone == o.deadZone && invertFore == o.invertFore &&
           lateralAxis == o.lateralAxis && foreAxis == o.foreAxis;
}

namespace {

const std::initializer_list<const char*> kKeys = {"volume",    "muted",       "camera",       "climb_threshold",
                                                  "sink_threshold", "dead_zone", "invert_fore", "lateral_axis",
                                                  "fore_axis"};

// The file's table and the settings it holds; a missing file holds none and
// leaves the defaults.
std::string readSettings(const std::string& path, PilotSettings& settings, toml::table& table,
                         std::vector<std::string>* warnings) {
    std::error_code code;
    if (!std::filesystem::exists(std::filesystem::status(path, code))) {
        return {};
    }
    tomlfile::Parsed parsed = tomlfile::readFile(path, kMaxFileBytes);
    if (!parsed.message.empty()) {
        return parsed.message;
    }
    if (!parsed.ok) {
        return path + ": line " + std::to_string(parsed.line) + ": " + parsed.description;
    }
    PilotSettings read = settings;
    const toml::table& t = parsed.table;
    std::string reason;
    if (!(reason = readValue(t, "volume", read.volume)).empty() ||
        !(reason = readValue(t, "muted", read.muted)).empty() ||
        !(reason = readValue(t, "camera", read.camera)).empty() ||
        !(reason = readValue(t, "climb_threshold", read.climbThreshold)).empty() ||
        !(reason = readValue(t, "sink_threshold", read.sinkThreshold)).empty() ||
        !(reason = readValue(t, "dead_zone", read.deadZone)).empty() ||
        !(reason = readValue(t, "invert_fore", read.invertFore)).empty() ||
        !(reason = readValue(t, "lateral_axis", read.lateralAxis)).empty() ||
        !(reason = readValue(t, "fore_axis", read.foreAxis)).empty() || !(reason = check(read)).empty()) {
        return path + ": " + reason;
    }
    if (warnings) {
        for (const tomlfile::UnknownKey& unknown : tomlfile::unknownKeys(t, kKeys)) {
            warnings->push_back(path + ":" + std::to_string(unknown.line) + ": " + unknown.key +
                                ": unknown setting, ignored (and kept in the file)");
        }
    }
    settings = read;
    table = std::move(parsed.table);
    return {};
}

} // namespace

std::string PilotSettings::load(const std::string& path, PilotSettings& settings,
                                std::vector<std::string>* warnings) {
    if (path.empty()) {
        return {};
    }
    toml::table table;
    return readSettings(path, settings, table, warnings);
}

std::string PilotSettings::save(const std::string& path, const PilotSettings& s) {
    if (path.empty()) {
        return {};
    }
    // What the file holds now. Unchanged values leave it alone; a file that
    // cannot be read (not a regular file, not TOML) is never replaced.
    PilotSettings current;
    toml::table table;
    std::string reason = readSettings(path, current, table, nullptr);
    if (!reason.empty()) {
        return reason;
    }
    if (!table.empty() && current == s) {
        return {};
    }
    std::error_code code;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, code) &&
        (std::filesystem::create_directories(folder, code), code)) {
        return "cannot create the folder '" + folder.string() + "': " + code.message();
    }
    table.insert_or_assign("volume", s.volume);
    table.insert_or_assign("muted", s.muted);
    table.insert_or_assign("camera", s.camera);
    table.insert_or_assign("climb_threshold", s.climbThreshold);
    table.insert_or_assign("sink_threshold", s.sinkThreshold);
    table.insert_or_assign("dead_zone", s.deadZone);
    table.insert_or_assign("invert_fore", s.invertFore);
    table.insert_or_assign("lateral_axis", static_cast<int64_t>(s.lateralAxis));
    table.insert_or_assign("fore_axis", static_cast<int64_t>(s.foreAxis));
    std::ostringstream text;
    text << "# glider-pilot's settings, rewritten when it closes.\n" << table << "\n";
    flight::OutputFile out;
    reason = out.open(path);
    if (!reason.empty()) {
        return reason;
    }
    const std::string written = text.str();
    std::fwrite(written.data(), 1, written.size(), out.stream());
    return out.commit();
}
