#include "task/IgcTaskDeclaration.h"

#include <cmath>
#include <cstdio>

namespace task {

namespace {

constexpr std::size_t kIgcLineLength = 76;

// Degrees, minutes and thousandths of a minute, rounded once so the minutes
// never read 60.
void angle(char* out, std::size_t size, double degrees, int degreeDigits, char positive, char negative) {
    const long long thousandths = std::llround(std::fabs(degrees) * 60000.0);
    std::snprintf(out, size, "%0*lld%05lld%c", degreeDigits, thousandths / 60000, thousandths % 60000,
                  degrees < 0.0 && thousandths != 0 ? negative : positive);
}

std::string printable(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c >= 0x20 && c <= 0x7e ? c : '_';
    }
    return out;
}

std::string fitted(std::string line) {
    if (line.size() > kIgcLineLength) {
        line.resize(kIgcLineLength);
    }
    return line;
}

std::string pointLine(const TaskPoint& p, const char* role) {
    char lat[32];
    char lon[32];
    angle(lat, sizeof lat, p.position.latitude, 2, 'N', 'S');
    angle(lon, sizeof lon, p.position.longitude, 3, 'E', 'W');
    return fitted(std::string("C") + lat + lon + role + printable(p.name));
}

} // namespace

std::vector<std::string> igcTaskDeclaration(const Task& task, const IgcDeclarationTime& when, int taskNumber) {
    const long long s = ((when.secondOfDay % 86400) + 86400) % 86400;
    const int turnpoints = static_cast<int>(task.points.size()) - 2;
    char head[64];
    std::snprintf(head, sizeof head, "C%02d%02d%02d%02lld%02lld%02lld%02d%02d%02d%04d%02d", when.day, when.month,
                  when.year % 100, s / 3600, s / 60 % 60, s % 60, when.day, when.month, when.year % 100,
                  taskNumber % 10000, turnpoints);
    std::vector<std::string> lines;
    lines.push_back(fitted(head + printable(task.name)));
    lines.push_back(pointLine(task.takeoff, "TAKEOFF "));
    for (std::size_t i = 0; i < task.points.size(); ++i) {
        const bool first = i == 0;
        const bool last = i + 1 == task.points.size();
        lines.push_back(pointLine(task.points[i], first ? "START " : last ? "FINISH " : "TURN "));
    }
    lines.push_back(pointLine(task.landing, "LANDING "));
    return lines;
}

} // namespace task
