#include "pilot/PilotSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include <toml++/toml.h>

#include "pilot/CameraRig.h"
#include "recording/OutputFile.h"

namespace {

bool isFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// Creates every missing folder above `path`.
std::string makeParents(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            return "cannot create the folder '" + folder + "': " + std::strerror(errno);
        }
    }
    return {};
}

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

std::string PilotSettings::load(const std::string& path, PilotSettings& settings) {
    if (path.empty() || !isFile(path)) {
        return {};
    }
    toml::table table;
    try {
        table = toml::parse_file(path);
    } catch (const toml::parse_error& error) {
        return path + ": line " + std::to_string(error.source().begin.line) + ": " + std::string(error.description());
    }
    PilotSettings read = settings;
    std::string reason;
    if (!(reason = readValue(table, "volume", read.volume)).empty() ||
        !(reason = readValue(table, "muted", read.muted)).empty() ||
        !(reason = readValue(table, "camera", read.camera)).empty() ||
        !(reason = readValue(table, "climb_threshold", read.climbThreshold)).empty() ||
        !(reason = readValue(table, "sink_threshold", read.sinkThreshold)).empty() ||
        !(reason = readValue(table, "dead_zone", read.deadZone)).empty() ||
        !(reason = readValue(table, "invert_fore", read.invertFore)).empty() ||
        !(reason = readValue(table, "lateral_axis", read.lateralAxis)).empty() ||
        !(reason = readValue(table, "fore_axis", read.foreAxis)).empty() || !(reason = check(read)).empty()) {
        return path + ": " + reason;
    }
    settings = read;
    return {};
}

std::string PilotSettings::save(const std::string& path, const PilotSettings& s) {
    if (path.empty()) {
        return {};
    }
    std::string reason = makeParents(path);
    if (!reason.empty()) {
        return reason;
    }
    flight::OutputFile out;
    if (!(reason = out.open(path)).empty()) {
        return reason;
    }
    std::fprintf(out.stream(),
                 "# glider-pilot's settings, rewritten when it closes.\n"
                 "volume = %g\nmuted = %s\ncamera = \"%s\"\n"
                 "climb_threshold = %g\nsink_threshold = %g\n"
                 "dead_zone = %g\ninvert_fore = %s\nlateral_axis = %d\nfore_axis = %d\n",
                 s.volume, s.muted ? "true" : "false", s.camera.c_str(), s.climbThreshold, s.sinkThreshold,
                 s.deadZone, s.invertFore ? "true" : "false", s.lateralAxis, s.foreAxis);
    return out.commit();
}
