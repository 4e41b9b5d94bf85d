#include "setup/OptionValues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "scene/GeoLimits.h"
#include "scene/Scenario.h"
#include "terrain/DemHeightField.h"

namespace flight {

namespace {

std::string quoted(const std::string& text) { return "'" + text + "'"; }

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool allDigits(const std::string& text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

} // namespace

std::string readWholeNumber(const std::string& text, long long lowest, long long highest, int& value) {
    long long parsed = 0;
    const std::string reason = readWholeNumber(text, lowest, highest, parsed);
    if (reason.empty()) {
        value = static_cast<int>(parsed);
    }
    return reason;
}

std::string readWholeNumber(const std::string& text, long long lowest, long long highest, long long& value) {
    const std::string range = " from " + std::to_string(lowest) + " to " + std::to_string(highest);
    long long parsed = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (text.empty() || end != last || error == std::errc::invalid_argument) {
        return "expected a whole number" + range + ", got " + quoted(text);
    }
    if (error == std::errc::result_out_of_range || parsed < lowest || parsed > highest) {
        return "must be" + range + ", got " + quoted(text);
    }
    value = parsed;
    return {};
}

std::string readFiniteNumber(const std::string& text, double& value) {
    double parsed = 0.0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (text.empty() || end != last || error != std::errc() || !std::isfinite(parsed)) {
        return "expected a finite decimal number, got " + quoted(text);
    }
    value = parsed;
    return {};
}

std::string readNumberWithin(const std::string& text, double lowest, double highest, const std::string& rule,
                             double& value) {
    double parsed = 0.0;
    std::string reason = readFiniteNumber(text, parsed);
    if (reason.empty() && !(parsed >= lowest && parsed <= highest)) {
        reason = rule + ", got " + quoted(text);
    }
    if (reason.empty()) {
        value = parsed;
    }
    return reason;
}

std::string rangeRule(double lowest, double highest, const std::string& unit) {
    char text[96];
    std::snprintf(text, sizeof text, "must lie within %g to %g", lowest, highest);
    return unit.empty() ? text : text + (" " + unit);
}

std::string readNumberList(const std::string& text, int count, double* values) {
    const std::string expected = "expected " + std::to_string(count) + " numbers separated by commas, got ";
    std::size_t from = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t comma = text.find(',', from);
        const bool lastItem = i == count - 1;
        if (lastItem != (comma == std::string::npos)) {
            return expected + quoted(text);
        }
        const std::string item = text.substr(from, lastItem ? std::string::npos : comma - from);
        if (!readFiniteNumber(item, values[i]).empty()) {
            return expected + quoted(text);
        }
        from = comma + 1;
    }
    return {};
}

std::string readWind(const std::string& text, Vector3D& wind) {
    double values[3] = {0.0, 0.0, 0.0};
    std::string reason = readNumberList(text, 3, values);
    if (!reason.empty()) {
        return reason;
    }
    for (double component : values) {
        // Beyond hurricane strength the explicit integration is no longer
        // a flight, and far beyond it the air forces overflow.
        if (std::fabs(component) > Scenario::kMaxWindComponent) {
            const std::string limit = std::to_string(static_cast<int>(Scenario::kMaxWindComponent));
            return "each component must lie within -" + limit + " to " + limit + " m/s, got " + quoted(text);
        }
    }
    wind = Vector3D(values[0], values[1], values[2]);
    return {};
}

std::string readGeoCoordinate(const std::string& text, int count, double* values) {
    std::string reason = readNumberList(text, count, values);
    if (reason.empty() && !geo::isUsableCoordinate(values[0], values[1])) {
        reason = std::string(geo::kCoordinateRule) + ", got " + quoted(text);
    }
    return reason;
}

std::string readDate(const std::string& text, CalendarDate& date) {
    const std::string expected = "expected a date YYYY-MM-DD from 1980-01-01 to 2079-12-31, got " + quoted(text);
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !allDigits(text, 0, 4) ||
        !allDigits(text, 5, 2) || !allDigits(text, 8, 2)) {
        return expected;
    }
    const int year = std::stoi(text.substr(0, 4));
    const int month = std::stoi(text.substr(5, 2));
    const int day = std::stoi(text.substr(8, 2));
    if (year < 1980 || year > 2079 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) {
        return expected;
    }
    date = CalendarDate{year, month, day};
    return {};
}

std::string readDemRadius(const std::string& text, bool kilometres, double& metres) {
    const double scale = kilometres ? 1000.0 : 1.0;
    double value = 0.0;
    const std::string reason = readNumberWithin(text, kMinDemRadius / scale, kMaxDemRadius / scale,
                                                rangeRule(kMinDemRadius / scale, kMaxDemRadius / scale,
                                                          kilometres ? "km" : "m"),
                                                value);
    if (reason.empty()) {
        metres = value * scale;
    }
    return reason;
}

std::string readDemSpacing(const std::string& text, double& metres) {
    return readNumberWithin(text, kMinDemSpacing, kMaxDemSpacing, rangeRule(kMinDemSpacing, kMaxDemSpacing, "m"),
                            metres);
}

std::string readDemFillHeight(const std::string& text, double& height) {
    double value = 0.0;
    std::string reason = readFiniteNumber(text, value);
    if (reason.empty()) {
        reason = demFillHeightProblem(value);
    }
    if (reason.empty()) {
        height = value;
    }
    return reason;
}

} // namespace flight
