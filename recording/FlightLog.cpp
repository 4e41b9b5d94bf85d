#include "recording/FlightLog.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "recording/CsvWriter.h"
#include "recording/IgcWriter.h"

namespace {

bool exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

std::string FlightLog::stampOf(std::time_t time) {
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", &parts);
    return text;
}

std::string FlightLog::open(const std::string& directory, std::time_t startedAt, const flight::EarthPlacement& where) {
    if (::mkdir(directory.c_str(), 0777) != 0 && errno != EEXIST) {
        return "cannot create the folder '" + directory + "': " + std::strerror(errno);
    }
    struct stat info;
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return "cannot record flights in '" + directory + "': not a folder";
    }
    // Two flights begun in the same second get their own names: a recording
    // never replaces another.
    const std::string stem = directory + "/" + stampOf(startedAt);
    std::string base = stem;
    for (int n = 2; exists(base + ".igc") || exists(base + ".csv"); ++n) {
        base = stem + "-" + std::to_string(n);
    }
    igcName = base + ".igc";
    csvName = base + ".csv";
    std::string reason = igc.open(igcName);
    if (reason.empty()) {
        reason = csv.open(csvName);
    }
    if (!reason.empty()) {
        return reason;
    }
    std::tm parts{};
    gmtime_r(&startedAt, &parts);
    flight::CalendarDate date;
    date.year = parts.tm_year + 1900;
    date.month = parts.tm_mon + 1;
    date.day = parts.tm_mday;
    placement = where;
    flight::writeIgcHeader(igc.stream(), date);
    flight::writeCsvHeader(csv.stream());
    open_ = true;
    return {};
}

void FlightLog::record(const flight::FlightSample& sample) {
    if (!open_) {
        return;
    }
    flight::writeCsvRow(csv.stream(), sample);
    if (flight::isIgcFixStep(sample.step)) {
        flight::writeIgcFix(igc.stream(), placement, sample);
    }
}

std::string FlightLog::close() {
    if (!open_) {
        return {};
    }
    open_ = false;
    // Both written out before either is put in place: a failure leaves neither.
    std::string reason = igc.finish();
    if (reason.empty()) {
        reason = csv.finish();
    }
    if (!reason.empty()) {
        igc.discard();
        csv.discard();
        return reason;
    }
    reason = igc.commit();
    const std::string csvReason = csv.commit();
    return reason.empty() ? csvReason : reason;
}
