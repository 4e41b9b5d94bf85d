#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "recording/AppendFile.h"
#include "recording/FlightSample.h"
#include "recording/GeoOrigin.h"

// Every flight's record: an IGC log for flight-analysis tools and the
// recorder's CSV of every step, side by side in one folder and named after
// the date and time the flight began (UTC), with -2, -3, ... when another
// flight already has the name. Both files are created under those names when
// the flight starts and written as it is flown (every simulated second,
// synced to the disk every two), so a process that dies however it dies
// leaves both readable up to its last seconds: an IGC log whose fixes follow
// the header, a CSV of whole rows.
//
// A full disk (or any failed write) is found when it happens: the CSV stops
// there, keeping its rows so far, so that the small IGC goes on in the space
// left and reserved for it; problem() says so in one line for the window.
class FlightLog {
public:
    // Creates `directory` if needed and both files. `startedAt` names them,
    // dates the log and times its fixes. `declaration`: IGC records (without
    // line ends, the task's C records) written after the header. Returns the
    // reason on failure, else "". The placement's projection, if any, is kept
    // by the caller.
    std::string open(const std::string& directory, std::time_t startedAt, const flight::EarthPlacement& placement,
                     const std::vector<std::string>& declaration = {});
    bool isOpen() const { return open_; }
    // One step's state: a CSV row always, an IGC fix on whole seconds.
    // Allocates nothing.
    void record(const flight::FlightSample& sample);
    // Writes out and syncs both files and closes them. Returns "" when the
    // flight is saved whole, else the problem (what is kept is on disk).
    std::string close();
    // Writes out what is recorded so far and syncs it, through system calls
    // only: safe from a signal handler, after which the process may die
    // (both files are complete up to the last step) or go on to close().
    void finishNow() const noexcept;

    // "" while every record reached the disk; else one line on what failed
    // and what is kept, for the window.
    const char* problem() const { return problem_; }
    bool savedWhole() const { return problem_[0] == '\0'; }

    const std::string& igcPath() const { return igcName; }
    const std::string& csvPath() const { return csvName; }

    // "YYYY-MM-DD-HHMMSS" of a UTC time.
    static std::string stampOf(std::time_t time);

private:
    void writeOut(int step);
    void report(const char* what, const std::string& path, int error, int step);

    flight::AppendFile csv;
    flight::AppendFile igc;
    flight::EarthPlacement placement;
    long long startSecondOfDay = 0; // (unit: s) UTC, of the log's date
    std::string igcName;
    std::string csvName;
    bool open_ = false;
    bool fixesLost = false;
    char problem_[256] = {};
};
