#include "task/CupFile.h"

#include <cctype>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace task {

namespace {

constexpr double kMetresPerFoot = 0.3048;
constexpr double kMetresPerNauticalMile = 1852.0;
constexpr double kMetresPerStatuteMile = 1609.344;
constexpr const char* kTaskSection = "-----Related Tasks-----";

// One line's fields, quotes removed ("" inside quotes is one quote).
bool splitFields(const std::string& line, std::vector<std::string>& fields, std::string& error) {
    fields.clear();
    std::string field;
    std::size_t i = 0;
    while (true) {
        field.clear();
        if (i < line.size() && line[i] == '"') {
            ++i;
            while (true) {
                if (i >= line.size()) {
                    error = "field " + std::to_string(fields.size() + 1) + ": quote not closed";
                    return false;
                }
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            if (i < line.size() && line[i] != ',') {
                error = "field " + std::to_string(fields.size() + 1) + ": text after the closing quote";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ',') {
                field += line[i++];
            }
        }
        fields.push_back(field);
        if (i >= line.size()) {
            return true;
        }
        ++i; // the comma
    }
}

std::string trimmed(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) {
        ++b;
    }
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) {
        --e;
    }
    return s.substr(b, e - b);
}

std::string lower(std::string s) {
    for (char& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

// A whole decimal number: digits, an optional point and digits, an optional sign.
bool readNumber(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i]))) {
            digits = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digits) {
        return false;
    }
    value = std::strtod(text.c_str(), nullptr);
    return true;
}

// "DDMM.mmmN" (latitudeDigits 2) or "DDDMM.mmmE" (3).
std::string readAngle(const std::string& text, int degreeDigits, char positive, char negative, double limit,
                      double& degrees) {
    const std::size_t n = text.size();
    if (n < static_cast<std::size_t>(degreeDigits) + 4 || (text[n - 1] != positive && text[n - 1] != negative)) {
        return std::string("not ") + (degreeDigits == 2 ? "DDMM.mmmN or S" : "DDDMM.mmmE or W");
    }
    const std::string d = text.substr(0, degreeDigits);
    const std::string m = text.substr(degreeDigits, n - 1 - degreeDigits);
    for (char c : d) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return "degrees are not " + std::to_string(degreeDigits) + " digits";
        }
    }
    double minutes = 0.0;
    if (m.size() < 2 || !std::isdigit(static_cast<unsigned char>(m[0])) ||
        !std::isdigit(static_cast<unsigned char>(m[1])) || !readNumber(m, minutes) || m[0] == '-' ||
        (m.size() > 2 && m[2] != '.')) {
        return "minutes are not MM.mmm";
    }
    if (minutes >= 60.0) {
        return "minutes " + m + " are 60 or more";
    }
    degrees = std::atoi(d.c_str()) + minutes / 60.0;
    if (degrees > limit) {
        return "more than " + std::to_string(static_cast<int>(limit)) + " degrees";
    }
    if (text[n - 1] == negative) {
        degrees = -degrees;
    }
    return "";
}

// "504.0m", "1654ft": metres.
std::string readElevation(const std::string& text, double& metres) {
    double value = 0.0;
    if (text.size() > 2 && lower(text.substr(text.size() - 2)) == "ft" &&
        readNumber(text.substr(0, text.size() - 2), value)) {
        metres = value * kMetresPerFoot;
        return "";
    }
    if (text.size() > 1 && lower(text.substr(text.size() - 1)) == "m" &&
        readNumber(text.substr(0, text.size() - 1), value)) {
        metres = value;
        return "";
    }
    return "'" + text + "' is not a number of m or ft";
}

// "400m", "5km", "2.7nm", "1.5ml": metres, not negative.
std::string readDistance(const std::string& text, double& metres) {
    static const struct {
        const char* unit;
        double metres;
    } units[] = {{"km", 1000.0}, {"nm", kMetresPerNauticalMile}, {"ml", kMetresPerStatuteMile}, {"m", 1.0}};
    const std::string t = lower(text);
    for (const auto& u : units) {
        const std::size_t k = std::strlen(u.unit);
        double value = 0.0;
        if (t.size() > k && t.compare(t.size() - k, k, u.unit) == 0 && readNumber(t.substr(0, t.size() - k), value)) {
            if (value < 0.0) {
                return "negative distance";
            }
            metres = value * u.metres;
            return "";
        }
    }
    return "'" + text + "' is not a distance in m, km, nm or ml";
}

std::string readAngleValue(const std::string& text, double limit, double& degrees) {
    if (!readNumber(text, degrees) || degrees < 0.0 || degrees > limit) {
        return "'" + text + "' is not an angle of 0 to " + std::to_string(static_cast<int>(limit)) + " degrees";
    }
    return "";
}

std::string readFlag(const std::string& text, bool& flag) {
    const std::string t = lower(text);
    if (t == "1" || t == "true") {
        flag = true;
    } else if (t == "0" || t == "false") {
        flag = false;
    } else {
        return "'" + text + "' is not 0, 1, True or False";
    }
    return "";
}

// "HH:MM:SS": seconds of the day.
std::string readClock(const std::string& text, double& seconds) {
    int h = 0;
    int m = 0;
    int s = 0;
    char tail = 0;
    if (text.size() != 8 || std::sscanf(text.c_str(), "%2d:%2d:%2d%c", &h, &m, &s, &tail) != 3 || h > 23 ||
        m > 59 || s > 59 || h < 0 || m < 0 || s < 0) {
        return "'" + text + "' is not HH:MM:SS";
    }
    seconds = h * 3600.0 + m * 60.0 + s;
    return "";
}

class Reader {
public:
    Reader(const std::string& fileName, CupFile& out) : fileName(fileName), out(out) {}

    // `what` from splitFields names its field itself.
    std::string failSplit(const std::string& what) const {
        return fileName + ":" + std::to_string(lineNumber) + ": " + what;
    }

    std::string fail(const std::string& field, const std::string& what) const {
        return fileName + ":" + std::to_string(lineNumber) + ": field " + field + ": " + what;
    }

    std::string readHeader(const std::string& line) {
        std::string error;
        if (!splitFields(line, columns, error)) {
            return failSplit(error);
        }
        for (std::string& c : columns) {
            c = lower(trimmed(c));
        }
        for (const char* wanted : {"name", "lat", "lon", "elev"}) {
            if (column(wanted) < 0) {
                return fail("header", std::string("no '") + wanted + "' column (not a SeeYou waypoint file?)");
            }
        }
        return "";
    }

    std::string readWaypoint(const std::string& line) {
        std::string error;
        if (!splitFields(line, fields, error)) {
            return failSplit(error);
        }
        if (fields.size() > columns.size()) {
            return fail(std::to_string(columns.size() + 1), "more fields than the header's " +
                                                                std::to_string(columns.size()));
        }
        CupWaypoint w;
        w.line = lineNumber;
        w.name = value("name");
        if (w.name.empty()) {
            return fail("name", "empty");
        }
        w.code = value("code");
        w.country = value("country");
        w.description = value("desc");
        if (!(error = readAngle(value("lat"), 2, 'N', 'S', 90.0, w.position.latitude)).empty()) {
            return fail("lat", "'" + value("lat") + "': " + error);
        }
        if (!(error = readAngle(value("lon"), 3, 'E', 'W', 180.0, w.position.longitude)).empty()) {
            return fail("lon", "'" + value("lon") + "': " + error);
        }
        if (!(error = readElevation(value("elev"), w.elevation)).empty()) {
            return fail("elev", error);
        }
        const std::string style = value("style");
        double s = 0.0;
        if (!style.empty() && (!readNumber(style, s) || s < 0.0 || s > 99.0 || s != static_cast<int>(s))) {
            return fail("style", "'" + style + "' is not a waypoint style number");
        }
        w.style = static_cast<int>(s);
        out.waypoints.push_back(w);
        return "";
    }

    std::string readTask(const std::string& line) {
        std::string error;
        if (!splitFields(line, fields, error)) {
            return failSplit(error);
        }
        CupTask t;
        t.line = lineNumber;
        t.name = fields[0];
        for (std::size_t i = 1; i < fields.size(); ++i) {
            const std::string name = fields[i];
            if (name.empty()) {
                return fail("point " + std::to_string(i), "empty waypoint name");
            }
            if (!findWaypoint(name)) {
                return fail("point " + std::to_string(i), "no waypoint named '" + name + "'");
            }
            t.points.push_back(name);
        }
        // Takeoff, start, finish and landing at least.
        if (t.points.size() < 4) {
            return fail("point " + std::to_string(fields.size()),
                        "a task needs a takeoff, a start, a finish and a landing");
        }
        out.tasks.push_back(t);
        return "";
    }

    std::string readOptions() {
        CupTask* t = lastTask("Options");
        if (!t) {
            return fail("Options", "before any task");
        }
        std::string error;
        for (std::size_t i = 1; i < fields.size(); ++i) {
            std::string key;
            std::string text;
            if (!keyValue(fields[i], key, text)) {
                return fail(fields[i], "not KEY=VALUE");
            }
            const std::string k = lower(key);
            if (k == "nostart") {
                error = readClock(text, t->noStart);
            } else if (k == "tasktime") {
                error = readClock(text, t->taskTime);
            } else if (k == "wpdis" || k == "mindis" || k == "randomorder") {
                bool ignored = false;
                error = readFlag(text, ignored);
            } else if (k == "neardis") {
                double ignored = 0.0;
                error = readDistance(text, ignored);
            } else if (k == "nearalt") {
                double ignored = 0.0;
                error = readElevation(text, ignored);
            } else if (k == "maxpts" || k == "beforepts" || k == "afterpts" || k == "bonus") {
                double ignored = 0.0;
                error = readNumber(text, ignored) ? "" : "'" + text + "' is not a number";
            } else {
                return fail(key, "not a task option");
            }
            if (!error.empty()) {
                return fail(key, error);
            }
        }
        return "";
    }

    std::string readZone() {
        CupTask* t = lastTask("ObsZone");
        if (!t) {
            return fail("ObsZone", "before any task");
        }
        CupZone z;
        z.lineNumber = lineNumber;
        std::string error;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::string key;
            std::string text;
            if (!keyValue(fields[i], key, text)) {
                return fail(fields[i], "not KEY=VALUE");
            }
            const std::string k = lower(key);
            double number = 0.0;
            if (k == "obszone") {
                const int last = static_cast<int>(t->points.size()) - 3; // the finish, after takeoff and start
                if (!readNumber(text, number) || number != static_cast<int>(number) || number < 0 || number > last) {
                    return fail(key, "'" + text + "' is not a task point number 0 to " + std::to_string(last));
                }
                z.index = static_cast<int>(number);
            } else if (k == "style") {
                if (!readNumber(text, number) || number != static_cast<int>(number) || number < 0 || number > 4) {
                    return fail(key, "'" + text + "' is not a zone style 0 to 4");
                }
                z.style = static_cast<int>(number);
            } else if (k == "r1") {
                error = readDistance(text, z.r1);
                z.hasR1 = true;
            } else if (k == "r2") {
                error = readDistance(text, z.r2);
            } else if (k == "a1") {
                error = readAngleValue(text, 180.0, z.a1);
            } else if (k == "a2") {
                error = readAngleValue(text, 180.0, z.a2);
            } else if (k == "a12") {
                error = readAngleValue(text, 360.0, z.a12);
            } else if (k == "line") {
                error = readFlag(text, z.line);
            } else if (k == "move" || k == "reduce") {
                bool ignored = false;
                error = readFlag(text, ignored);
            } else if (k == "speedstyle") {
                error = readNumber(text, number) ? "" : "'" + text + "' is not a number";
            } else {
                return fail(key, "not an observation zone setting");
            }
            if (!error.empty()) {
                return fail(key, error);
            }
        }
        if (fields.empty() || lower(fields[0]).rfind("obszone=", 0) != 0) {
            return fail("ObsZone", "missing");
        }
        t->zones.push_back(z);
        return "";
    }

    std::string readTaskSectionLine(const std::string& line) {
        std::string error;
        if (!splitFields(line, fields, error)) {
            return failSplit(error);
        }
        const std::string first = lower(trimmed(fields[0]));
        if (first == "options") {
            return readOptions();
        }
        if (first.rfind("obszone=", 0) == 0) {
            return readZone();
        }
        // Alternative starts and task-only points: this reader flies the
        // task line's own points.
        if (first.rfind("starts=", 0) == 0 || first.rfind("point=", 0) == 0) {
            return "";
        }
        return readTask(line);
    }

    std::string readAll(const std::string& text) {
        std::istringstream in(text);
        std::string line;
        bool header = true;
        bool tasks = false;
        while (std::getline(in, line)) {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (lineNumber == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) {
                line.erase(0, 3);
            }
            if (trimmed(line).empty()) {
                continue;
            }
            std::string error;
            if (header) {
                error = readHeader(line);
                header = false;
            } else if (trimmed(line) == kTaskSection) {
                if (tasks) {
                    error = fail("line", "a second task section");
                }
                tasks = true;
            } else if (tasks) {
                error = readTaskSectionLine(line);
            } else {
                error = readWaypoint(line);
            }
            if (!error.empty()) {
                return error;
            }
        }
        if (header) {
            lineNumber = 1;
            return fail("header", "the file is empty");
        }
        return "";
    }

private:
    int column(const char* name) const {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i] == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    std::string value(const char* name) const {
        const int i = column(name);
        return i >= 0 && static_cast<std::size_t>(i) < fields.size() ? trimmed(fields[i]) : std::string();
    }

    bool findWaypoint(const std::string& name) const {
        for (const CupWaypoint& w : out.waypoints) {
            if (w.name == name) {
                return true;
            }
        }
        return false;
    }

    CupTask* lastTask(const char*) { return out.tasks.empty() ? nullptr : &out.tasks.back(); }

    static bool keyValue(const std::string& field, std::string& key, std::string& text) {
        const std::size_t eq = field.find('=');
        if (eq == std::string::npos) {
            return false;
        }
        key = trimmed(field.substr(0, eq));
        text = trimmed(field.substr(eq + 1));
        return !key.empty();
    }

    std::string fileName;
    CupFile& out;
    int lineNumber = 0;
    std::vector<std::string> columns;
    std::vector<std::string> fields;
};

} // namespace

std::string readCupText(const std::string& text, const std::string& fileName, CupFile& out) {
    CupFile read;
    Reader reader(fileName, read);
    const std::string error = reader.readAll(text);
    if (error.empty()) {
        out = std::move(read);
    }
    return error;
}

std::string readCupFile(const std::string& path, CupFile& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return path + ": cannot be read: " + std::strerror(errno);
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return path + ": cannot be read";
    }
    return readCupText(text.str(), path, out);
}

} // namespace task
