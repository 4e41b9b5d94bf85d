#include "pilot/ReplayTrack.h"

#include <algorithm>

#include "recording/CsvReader.h"

std::string ReplayTrack::load(const std::string& path) { return flight::loadCsvTrack(path, rows); }

std::string ReplayTrack::parse(const std::string& text, const std::string& name) {
    return flight::parseCsvTrack(text, name, rows);
}

int ReplayTrack::indexAt(int step) const {
    const auto after = std::upper_bound(rows.begin(), rows.end(), step,
                                        [](int s, const flight::FlightSample& row) { return s < row.step; });
    if (after == rows.begin()) {
        return 0;
    }
    return static_cast<int>(after - rows.begin()) - 1;
}
