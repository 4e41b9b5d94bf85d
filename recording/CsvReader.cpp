#include "recording/CsvReader.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "recording/CsvWriter.h"
#include "recording/WholeFile.h"

namespace flight {

namespace {

constexpr int kFields = 10;
constexpr int kAirFields = 13; // glider-flight's --air adds the air's velocity
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 31; // (unit: bytes) over a day of steps

bool readNumber(const char* first, const char* last, double& value) {
    const auto [end, error] = std::from_chars(first, last, value);
    return first != last && end == last && error == std::errc() && std::isfinite(value);
}

} // namespace

std::string loadCsvTrack(const std::string& path, std::vector<FlightSample>& rows) {
    std::string text;
    if (std::string reason = readWholeFile(path, kMaxFileBytes, "a flight recording", text); !reason.empty()) {
        return reason;
    }
    return parseCsvTrack(text, path, rows);
}

std::string parseCsvTrack(const std::string& text, const std::string& name, std::vector<FlightSample>& rows) {
    std::vector<FlightSample> read;
    std::size_t position = 0;
    int lineNumber = 0;
    int fields = kFields;
    while (position < text.size()) {
        std::size_t end = text.find('\n', position);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::size_t stop = end;
        if (stop > position && text[stop - 1] == '\r') {
            --stop;
        }
        const std::string_view line(text.data() + position, stop - position);
        position = end + 1;
        ++lineNumber;
        const std::string where = name + ": line " + std::to_string(lineNumber) + ": ";
        if (lineNumber == 1) {
            if (line == std::string(kCsvHeader) + kCsvAirColumns) {
                fields = kAirFields;
            } else if (line != kCsvHeader) {
                return where + "expected the header '" + kCsvHeader + "' (or with '" + kCsvAirColumns + "' after it)";
            }
            continue;
        }
        if (line.empty()) {
            if (position >= text.size()) {
                break; // the final newline
            }
            return where + "empty line";
        }
        double values[kAirFields];
        int field = 0;
        std::size_t start = 0;
        while (true) {
            const std::size_t comma = line.find(',', start);
            const std::size_t finish = comma == std::string_view::npos ? line.size() : comma;
            if (field == fields) {
                return where + "more than " + std::to_string(fields) + " fields";
            }
            if (!readNumber(line.data() + start, line.data() + finish, values[field])) {
                return where + "field " + std::to_string(field + 1) + " is not a finite number";
            }
            ++field;
            if (comma == std::string_view::npos) {
                break;
            }
            start = comma + 1;
        }
        if (field != fields) {
            return where + "expected " + std::to_string(fields) + " fields, got " + std::to_string(field);
        }
        const double step = values[0];
        if (step < 0.0 || step > static_cast<double>(std::numeric_limits<int>::max()) || step != std::floor(step)) {
            return where + "the step is not a whole number from 0";
        }
        FlightSample sample;
        sample.step = static_cast<int>(step);
        if (!read.empty() && sample.step <= read.back().step) {
            return where + "steps must increase";
        }
        sample.time = values[1];
        sample.position = Vector3D(values[2], values[3], values[4]);
        sample.velocity = Vector3D(values[5], values[6], values[7]);
        sample.speed = values[8];
        sample.terrainHeight = values[9];
        if (fields == kAirFields) {
            sample.air = Vector3D(values[10], values[11], values[12]);
        }
        read.push_back(sample);
    }
    if (lineNumber == 0) {
        return name + ": empty file";
    }
    if (read.empty()) {
        return name + ": no recorded steps";
    }
    rows = std::move(read);
    return {};
}

} // namespace flight
