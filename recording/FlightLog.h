#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "recording/AppendFile.h"
#include "recording/FlightSample.h"
#include "recording/GeoOrigin.h"
#include "recording/SailRecord.h"

// Every flight's record: an IGC log for flight-analysis tools and the
// recorder's CSV of every step, side by side in one folder and named after
// the date and time the flight began (UTC), with -2, -3, ... when another
// flight already has the name. Both files are created under those names when
// the flight starts and written as it is flown (every simulated second,
// synced to the disk every two), so a process that dies however it dies
// leaves both readable up to its last seconds: an IGC log whose fixes follow
// the header, a CSV of whole rows.
//
// With them, when asked, go what a replay needs to play the flight alone:
// the flight's setup (NAME.setup, text written whole when the flight starts)
// and the sail's particles (NAME.sail, see SailRecord.h), written as flown
// like the CSV.
//
// A full disk (or any failed write) is found when it happens: the CSV and the
// sail's record stop there, keeping what they hold so far, so that the small
// IGC goes on in the space left and reserved for it (the sail's record, the
// least of the three, stops first when it alone fails); problem() says so in
// one line for the window.
class FlightLog {
public:
    // What a replay needs beside the track.
    struct ReplayRecord {
        std::string setup;       // the setup file's text; empty: no setup file
        flight::SailLayout sail; // 0 particles: no sail record
    };

    // Creates `directory` if needed and both files, and those `replay` asks
    // for (the setup written whole now). `startedAt` names them,
    // dates the log and times its fixes. `declaration`: IGC records (without
    // line ends, the task's C records) written after the header. Returns the
    // reason on failure, else "". The placement's projection, if any, is kept
    // by the caller.
    std::string open(const std::string& directory, std::time_t startedAt, const flight::EarthPlacement& placement,
                     const std::vector<std::string>& declaration = {}, const ReplayRecord& replay = {});
    bool isOpen() const { return open_; }
    // One step's state: a CSV row always, an IGC fix on whole seconds, and
    // given the `world`, the sail on the record's frame steps. Allocates
    // nothing.
    void record(const flight::FlightSample& sample, const ParticleSystem* world = nullptr);
    // The sail after `step` steps, on the record's frame steps (others are
    // skipped) and on the flight's `last` step (before close, its last
    // shape). Allocates nothing.
    void recordSail(int step, const ParticleSystem& world, bool last = false);
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
    // Empty when the flight has none.
    const std::string& setupPath() const { return setupName; }
    const std::string& sailPath() const { return sailName; }

    // The file beside a recording's CSV that ends in `extension` instead
    // (".setup", ".sail").
    static std::string companionOf(const std::string& csvPath, const char* extension);

    // "YYYY-MM-DD-HHMMSS" of a UTC time.
    static std::string stampOf(std::time_t time);

private:
    void writeOut(int step);
    void report(const char* what, const std::string& path, int error, int step);
    // Creates the files of `base`; EEXIST when a name is taken (none is kept).
    int createAll(const std::string& base, const ReplayRecord& replay);
    void writeSetup(const std::string& text);

    flight::AppendFile csv;
    flight::AppendFile igc;
    flight::AppendFile sail;
    flight::SailLayout sailLayout;
    std::unique_ptr<unsigned char[]> sailFrame; // one frame, sized when the log opens
    int lastSailStep = -1;
    flight::EarthPlacement placement;
    long long startSecondOfDay = 0; // (unit: s) UTC, of the log's date
    std::string igcName;
    std::string csvName;
    std::string setupName;
    std::string sailName;
    int setupDescriptor = -1; // from its creation until it is written
    bool open_ = false;
    bool fixesLost = false;
    char problem_[256] = {};
};
