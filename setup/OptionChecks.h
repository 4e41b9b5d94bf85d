#pragma once

#include <functional>
#include <string>

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
