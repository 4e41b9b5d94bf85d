#pragma once

#include <string>
#include <vector>

#include "recording/FlightSample.h"

// A recorded flight read back from the recorder's CSV (glider-pilot's own
// recordings and glider-flight's alike), for playing it back.
class ReplayTrack {
public:
    // Reads `path`. On failure returns one line naming the file and what is
    // wrong (with the line number), and leaves the track as it was.
    std::string load(const std::string& path);
    // The same from text already in memory; `name` is used in messages.
    std::string parse(const std::string& text, const std::string& name);

    bool empty() const { return rows.empty(); }
    int size() const { return static_cast<int>(rows.size()); }
    const flight::FlightSample& row(int i) const { return rows[static_cast<std::size_t>(i)]; }
    int firstStep() const { return rows.front().step; }
    int lastStep() const { return rows.back().step; }
    // The last row recorded at or before `step` (the first row before the
    // recording starts): what the flight looked like then.
    int indexAt(int step) const;

private:
    std::vector<flight::FlightSample> rows; // strictly increasing steps
};
