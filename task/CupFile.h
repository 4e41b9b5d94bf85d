#pragma once

#include <string>
#include <vector>

#include "terrain/GeoCoordinate.h"

// What a SeeYou .cup file holds: waypoints, then (after the
// "-----Related Tasks-----" line) tasks naming those waypoints, each with its
// options and observation zones. Units are converted on reading.
namespace task {

struct CupWaypoint {
    std::string name;
    std::string code;
    std::string country;
    GeoCoordinate position;
    double elevation = 0.0; // (unit: metres above sea level)
    int style = 0;          // the file's waypoint kind: 1 plain, 2..5 landable, ...
    std::string description;
    int line = 0;           // where it was read
};

// An ObsZone line: the zone of the task point at `index` (0 is the start,
// counted after the takeoff).
struct CupZone {
    int index = 0;
    // 0 fixed axis (A12), 1 symmetrical, 2 towards the next point, 3 towards
    // the previous point, 4 towards the start
    int style = 1;
    double r1 = 0.0;         // (unit: m)
    double a1 = 180.0;       // (unit: degrees) half the sector's angle
    double r2 = 0.0;         // (unit: m)
    double a2 = 180.0;       // (unit: degrees)
    double a12 = 0.0;        // (unit: degrees) the fixed axis of style 0
    bool line = false;
    bool hasR1 = false;
    int lineNumber = 0;
};

struct CupTask {
    std::string name;
    // Waypoint names as the task line lists them: takeoff, start, turnpoints,
    // finish, landing.
    std::vector<std::string> points;
    std::vector<CupZone> zones;
    double noStart = -1.0;  // (unit: seconds of the day) the start gate opens; -1: always open
    double taskTime = 0.0;  // (unit: s) an assigned time, 0 for none
    int line = 0;
};

struct CupFile {
    std::vector<CupWaypoint> waypoints;
    std::vector<CupTask> tasks;
};

// Reads `path` strictly. Returns "" or one line naming the file, the line,
// the field and what is wrong ("tasks.cup:12: field lat: ..."); `out` is
// filled only on success.
std::string readCupFile(const std::string& path, CupFile& out);
// The same from text already read, `fileName` naming it in messages.
std::string readCupText(const std::string& text, const std::string& fileName, CupFile& out);

} // namespace task
