// Fuzz target for the flight recording reader: reads the file named on the
// command line as --replay does. A refusal must be one line that names the
// file; a recording it accepts must hold what replay relies on (finite
// numbers, steps increasing from 0). Anything else (a crash, a hang, a
// sanitizer report, a broken promise) is a finding. Run through scripts/fuzz.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "recording/CsvReader.h"

namespace {

[[noreturn]] void finding(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

bool finite(const Vector3D& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RECORDING\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    std::vector<flight::FlightSample> rows;
    const std::string reason = flight::loadCsvTrack(path, rows);
    if (!reason.empty()) {
        if (reason.rfind(path + ": ", 0) != 0 || reason.find('\n') != std::string::npos) {
            finding("not one line naming the file", reason);
        }
        if (!rows.empty()) {
            finding("rows kept from a refused recording", reason);
        }
        return 0;
    }
    if (rows.empty()) {
        finding("accepted with no rows", path);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const flight::FlightSample& row = rows[i];
        if (row.step < 0 || (i > 0 && row.step <= rows[i - 1].step)) {
            finding("steps out of order", std::to_string(i));
        }
        if (!std::isfinite(row.time) || !finite(row.position) || !finite(row.velocity) ||
            !std::isfinite(row.speed) || !std::isfinite(row.terrainHeight)) {
            finding("a number that is not finite", std::to_string(i));
        }
    }
    return 0;
}
