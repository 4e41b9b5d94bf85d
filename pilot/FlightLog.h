#pragma once

#include <ctime>
#include <string>

#include "terrain/MapProjection.h"
#include "tools/flight/FlightOptions.h"
#include "tools/flight/FlightSample.h"
#include "tools/flight/OutputFile.h"

// Every flight's record: an IGC log for flight-analysis tools and the
// recorder's CSV of every step, side by side in one folder and named after
// the date and time the flight began (UTC). Both appear whole when the
// flight ends; a flight that never ends cleanly leaves no half file behind.
class FlightLog {
public:
    // Creates `directory` if needed and starts both files. `startedAt` names
    // them and dates the log. Returns the reason on failure, else "".
    // A projection (kept by the caller) places positions on the Earth by
    // its own map; without one, the origin's local projection does.
    std::string open(const std::string& directory, std::time_t startedAt, const flight::GeoOrigin& origin,
                     const MapProjection* projection = nullptr);
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
    flight::GeoOrigin origin;
    const MapProjection* map = nullptr;
    std::string igcName;
    std::string csvName;
    bool open_ = false;
};
