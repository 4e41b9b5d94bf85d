#include "recording/FlightLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "recording/CsvWriter.h"
#include "recording/IgcWriter.h"
#include "scene/StartScene.h"

namespace {

constexpr int kMostFlightsPerSecond = 1000;
// A CSV row is at most a few hundred bytes and a second holds 100 of them;
// an IGC fix is 37 bytes a second, so its buffer holds half an hour of fixes
// while the disk is full, and its reserve a quarter of an hour ahead.
constexpr std::size_t kCsvBufferBytes = 1 << 16;
constexpr std::size_t kIgcBufferBytes = 1 << 16;
constexpr std::size_t kIgcReserveBytes = 1 << 15;
constexpr int kSyncEverySeconds = 2;

} // namespace

std::string FlightLog::stampOf(std::time_t time) {
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", &parts);
    return text;
}

std::string FlightLog::open(const std::string& directory, std::time_t startedAt, const flight::EarthPlacement& where,
                            const std::vector<std::string>& declaration) {
    close();
    if (::mkdir(directory.c_str(), 0777) != 0 && errno != EEXIST) {
        return "cannot create the folder '" + directory + "': " + std::strerror(errno);
    }
    struct stat info;
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return "cannot record flights in '" + directory + "': not a folder";
    }
    // Each name is taken by creating it: two flights begun in the same
    // second, even in two programs at once, never share one.
    const std::string stem = directory + "/" + stampOf(startedAt);
    for (int n = 1;; ++n) {
        if (n > kMostFlightsPerSecond) {
            return "cannot record flights in '" + directory + "': every name of " + stampOf(startedAt) + " is taken";
        }
        const std::string base = n == 1 ? stem : stem + "-" + std::to_string(n);
        igcName = base + ".igc";
        csvName = base + ".csv";
        int error = igc.create(igcName, kIgcBufferBytes, kIgcReserveBytes);
        if (error == EEXIST) {
            continue;
        }
        if (error == 0 && (error = csv.create(csvName, kCsvBufferBytes, 0)) != 0) {
            igc.abandon();
            if (error == EEXIST) {
                continue;
            }
        }
        if (error != 0) {
            return "cannot record flights in '" + directory + "': " + std::strerror(error);
        }
        break;
    }
    std::tm parts{};
    gmtime_r(&startedAt, &parts);
    flight::CalendarDate date;
    date.year = parts.tm_year + 1900;
    date.month = parts.tm_mon + 1;
    date.day = parts.tm_mday;
    startSecondOfDay = parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
    placement = where;
    problem_[0] = '\0';
    fixesLost = false;
    std::string header = flight::igcHeader(date);
    for (const std::string& record : declaration) {
        header += record + "\r\n";
    }
    igc.append(header.data(), header.size());
    const std::string columns = std::string(flight::kCsvHeader) + "\n";
    csv.append(columns.data(), columns.size());
    open_ = true;
    writeOut(0);
    return {};
}

void FlightLog::report(const char* what, const std::string& path, int error, int step) {
    std::snprintf(problem_, sizeof problem_, "%s: %s (at %d s); %s", path.c_str(), std::strerror(error),
                  step / start::kStepsPerSecond, what);
}

void FlightLog::writeOut(int step) {
    const bool sync = step % (kSyncEverySeconds * start::kStepsPerSecond) == 0;
    // The IGC first: when the disk fills, the small log takes what is left.
    if (const int error = igc.writeOut(sync)) {
        csv.stop();
        report(fixesLost ? "IGC fixes lost, the CSV stopped" : "IGC fixes held back, the CSV stopped", igcName, error,
               step);
    }
    if (!csv.stopped()) {
        if (const int error = csv.writeOut(sync)) {
            csv.stop();
            report("the CSV stopped, the IGC goes on", csvName, error, step);
        }
    }
}

void FlightLog::record(const flight::FlightSample& sample) {
    if (!open_) {
        return;
    }
    if (!csv.stopped()) {
        flight::CsvRowText row;
        csv.append(row.data(), flight::formatCsvRow(row, sample));
    }
    if (flight::isIgcFixStep(sample.step)) {
        flight::IgcFixText fix;
        if (!igc.append(fix.data(), flight::formatIgcFix(fix, placement, sample, startSecondOfDay))) {
            fixesLost = true;
        }
        writeOut(sample.step);
    }
}

void FlightLog::finishNow() const noexcept {
    if (open_) {
        igc.writeOutNow();
        csv.writeOutNow();
    }
}

std::string FlightLog::close() {
    if (!open_) {
        return {};
    }
    open_ = false;
    const int igcError = igc.close();
    const int csvError = csv.close();
    if (savedWhole() && igcError != 0) {
        std::snprintf(problem_, sizeof problem_, "%s: %s", igcName.c_str(), std::strerror(igcError));
    } else if (savedWhole() && csvError != 0) {
        std::snprintf(problem_, sizeof problem_, "%s: %s", csvName.c_str(), std::strerror(csvError));
    }
    if (fixesLost && savedWhole()) {
        std::snprintf(problem_, sizeof problem_, "%s: IGC fixes lost", igcName.c_str());
    }
    return problem_;
}
