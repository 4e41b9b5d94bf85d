#include "recording/FlightLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
// Ten seconds of the glider's sail frames.
constexpr std::size_t kSailBufferBytes = 1 << 16;
constexpr int kSyncEverySeconds = 2;

} // namespace

std::string FlightLog::companionOf(const std::string& csvPath, const char* extension) {
    const std::size_t size = csvPath.size();
    const bool csv = size >= 4 && csvPath.compare(size - 4, 4, ".csv") == 0;
    return (csv ? csvPath.substr(0, size - 4) : csvPath) + extension;
}

std::string FlightLog::stampOf(std::time_t time) {
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d-%H%M%S", &parts);
    return text;
}

std::string FlightLog::open(const std::string& directory, std::time_t startedAt, const flight::EarthPlacement& where,
                            const std::vector<std::string>& declaration, const ReplayRecord& replay) {
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
        const int error = createAll(n == 1 ? stem : stem + "-" + std::to_string(n), replay);
        if (error == EEXIST) {
            continue;
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
    sailLayout = replay.sail;
    lastSailStep = -1;
    if (sail.isOpen()) {
        sailFrame.reset(new unsigned char[flight::sailFrameBytes(sailLayout.particles)]);
        unsigned char header[flight::kSailHeaderBytes];
        flight::formatSailHeader(header, sailLayout);
        sail.append(reinterpret_cast<const char*>(header), sizeof header);
    }
    open_ = true;
    if (!setupName.empty()) {
        writeSetup(replay.setup);
    }
    writeOut(0);
    return {};
}

int FlightLog::createAll(const std::string& base, const ReplayRecord& replay) {
    igcName = base + ".igc";
    csvName = base + ".csv";
    setupName = replay.setup.empty() ? std::string() : companionOf(csvName, ".setup");
    sailName = replay.sail.particles > 0 ? companionOf(csvName, ".sail") : std::string();
    int error = igc.create(igcName, kIgcBufferBytes, kIgcReserveBytes);
    if (error == 0) {
        error = csv.create(csvName, kCsvBufferBytes, 0);
        if (error == 0 && !sailName.empty()) {
            error = sail.create(sailName, kSailBufferBytes, 0);
        }
        if (error == 0 && !setupName.empty()) {
            setupDescriptor = ::open(setupName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            error = setupDescriptor < 0 ? errno : 0;
        }
        if (error != 0) {
            sail.abandon();
            csv.abandon();
            igc.abandon();
        }
    }
    return error;
}

void FlightLog::writeSetup(const std::string& text) {
    // Written in full and synced under the name taken for it, or not kept:
    // a replay meets a whole setup or none.
    int error = 0;
    for (std::size_t done = 0; done < text.size() && error == 0;) {
        const ssize_t put = ::write(setupDescriptor, text.data() + done, text.size() - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
        } else if (put == 0 || errno != EINTR) {
            error = put == 0 ? EIO : errno;
        }
    }
    if (error == 0 && ::fdatasync(setupDescriptor) != 0 && errno != EINVAL) {
        error = errno;
    }
    if (::close(setupDescriptor) != 0 && error == 0 && errno != EINTR) {
        error = errno;
    }
    setupDescriptor = -1;
    if (error != 0) {
        ::unlink(setupName.c_str());
        report("the flight's setup is not kept (its replay needs the options given again)", setupName, error, 0);
        setupName.clear();
    }
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
        sail.stop();
        report(fixesLost ? "IGC fixes lost, the CSV stopped" : "IGC fixes held back, the CSV stopped", igcName, error,
               step);
    }
    if (!csv.stopped()) {
        if (const int error = csv.writeOut(sync)) {
            csv.stop();
            sail.stop();
            report("the CSV stopped, the IGC goes on", csvName, error, step);
        }
    }
    if (sail.isOpen() && !sail.stopped()) {
        if (const int error = sail.writeOut(sync)) {
            sail.stop();
            report("the sail's record stopped, the CSV and IGC go on", sailName, error, step);
        }
    }
}

void FlightLog::recordSail(int step, const ParticleSystem& world, bool last) {
    if (!open_ || !sail.isOpen() || sail.stopped() || step <= lastSailStep ||
        (!last && step % sailLayout.stepsBetweenFrames != 0)) {
        return;
    }
    lastSailStep = step;
    flight::formatSailFrame(sailFrame.get(), sailLayout, step, world);
    sail.append(reinterpret_cast<const char*>(sailFrame.get()), flight::sailFrameBytes(sailLayout.particles));
}

void FlightLog::record(const flight::FlightSample& sample, const ParticleSystem* world) {
    if (!open_) {
        return;
    }
    if (!csv.stopped()) {
        flight::CsvRowText row;
        csv.append(row.data(), flight::formatCsvRow(row, sample));
    }
    // Before the files are written out: the sail goes as far as the CSV.
    if (world != nullptr) {
        recordSail(sample.step, *world);
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
        sail.writeOutNow();
    }
}

std::string FlightLog::close() {
    if (!open_) {
        return {};
    }
    open_ = false;
    const int igcError = igc.close();
    const int csvError = csv.close();
    const int sailError = sail.close();
    if (savedWhole() && igcError != 0) {
        std::snprintf(problem_, sizeof problem_, "%s: %s", igcName.c_str(), std::strerror(igcError));
    } else if (savedWhole() && csvError != 0) {
        std::snprintf(problem_, sizeof problem_, "%s: %s", csvName.c_str(), std::strerror(csvError));
    } else if (savedWhole() && sailError != 0) {
        std::snprintf(problem_, sizeof problem_, "%s: %s", sailName.c_str(), std::strerror(sailError));
    }
    if (fixesLost && savedWhole()) {
        std::snprintf(problem_, sizeof problem_, "%s: IGC fixes lost", igcName.c_str());
    }
    return problem_;
}
