#pragma once

#include <ctime>
#include <string>

#include "recording/GeoOrigin.h"
#include "recording/FlightSample.h"
#include "recording/OutputFile.h"

// Every flight's record: an IGC log for flight-analysis tools and the
// recorder's CSV of every step, side by side in one folder and named after
// the date and time the flight began (UTC). Both appear whole when the
// flight ends; a flight that never ends cleanly leaves no half file behind.
class FlightLog {
public:
    // Creates `directory` if needed and starts both files. `startedAt` names
    // them and dates the log. Returns the reason on failure, else "".
    // The placement's projection, if any, is kept by the caller.
    std::string open(const std::string& directory, std::time_t startedAt, const flight::EarthPlacement& placement);
    bool isOpen() const { return open_; }
    // One step's state: a CSV row always, an IGC fix on whole seconds.
    void record(const flight::FlightSample& sample);
    // Moves both files into place. Returns the reason on failure, else "".
    std::string close();

    const std::string& igcPath() const { return igcName; }
    const std::string& csvPath() const { return csvName; }

    // "YYYY-MM-DD-HHMMSS" of a UTC time.
    static std::string stampOf(std::time_t time);

private:
    flight::OutputFile csv;
    flight::OutputFile igc;
    flight::EarthPlacement placement;
    std::string igcName;
    std::string csvName;
    bool open_ = false;
};
