#pragma once

#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "setup/OptionValues.h"

// The strict readers as CLI11 checks, for both programs' command lines: a
// value is refused while the line is parsed, and CLI11 puts the option's
// name before the reader's reason ("--wind: each component must ...").
// Header only: the flight setup itself knows nothing of command lines.
namespace flight {

inline CLI::Validator windCheck() {
    return CLI::Validator(
        [](std::string& text) {
            Vector3D wind;
            return readWind(text, wind);
        },
        "", "wind");
}

// LAT,LON and `count` - 2 more numbers, on the Earth.
inline CLI::Validator geoCoordinateCheck(int count) {
    return CLI::Validator(
        [count](std::string& text) {
            double values[3] = {0.0, 0.0, 0.0};
            return readGeoCoordinate(text, count, values);
        },
        "", "place");
}

// A finite decimal number that `accept` takes; otherwise `rule`, then the text.
inline CLI::Validator numberCheck(std::function<bool(double)> accept, std::string rule) {
    return CLI::Validator(
        [accept, rule](std::string& text) {
            double value = 0.0;
            std::string reason = readFiniteNumber(text, value);
            if (reason.empty() && !accept(value)) {
                reason = rule + ", got '" + text + "'";
            }
            return reason;
        },
        "", "number");
}

// A strict reader: the text, the typed value it fills on success; the reason
// it refuses the text otherwise (empty on success).
template <typename T>
using ValueReader = std::function<std::string(const std::string&, T&)>;

// The option's value, read by `read` into `target` while the line is parsed:
// a refused text is CLI11's error naming the option. CLI11's own number
// conversion is not used: it reads decimals through long double, which may
// round a digit string to another double than the scenario's reader does.
template <typename T>
CLI::Option* addReadOption(CLI::App& app, const std::string& name, T& target, ValueReader<T> read,
                           const std::string& description) {
    return app
        .add_option_function<std::string>(
            name, [&target, read](const std::string& text) { read(text, target); }, description)
        ->check(CLI::Validator(
            [read](std::string& text) {
                T scratch{};
                return read(text, scratch);
            },
            "", ""));
}

// The same for an option given any number of times, a value each time.
template <typename T>
CLI::Option* addRepeatedReadOption(CLI::App& app, const std::string& name, std::vector<T>& target,
                                   ValueReader<T> read, const std::string& description) {
    return app
        .add_option_function<std::vector<std::string>>(
            name,
            [&target, read](const std::vector<std::string>& texts) {
                for (const std::string& text : texts) {
                    T value{};
                    read(text, value);
                    target.push_back(value);
                }
            },
            description)
        ->check(CLI::Validator(
            [read](std::string& text) {
                T scratch{};
                return read(text, scratch);
            },
            "", ""))
        ->allow_extra_args(false);
}

// A file name: any text but the empty one.
inline std::string readFileName(const std::string& text, std::string& name) {
    if (text.empty()) {
        return "expected a file name, got ''";
    }
    name = text;
    return {};
}

// -h or --help anywhere before "--": help is shown whatever else is wrong,
// as it was before values were checked during the parse.
inline bool asksForHelp(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") {
            return false;
        }
        if (word == "-h" || word == "--help") {
            return true;
        }
    }
    return false;
}

} // namespace flight
