#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "task/CupFile.h"
#include "physics/SharedConstants.h"
#include "task/Task.h"
#include "task/TaskOption.h"

namespace {

// As SeeYou writes a file: CRLF lines, quoted names with commas in them,
// doubled quotes, elevations in feet and metres, the task section with its
// options and zones.
const char* const kSeeYouFile =
    "name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n"
    "\"Monte, Cucco\",\"CUCCO\",IT,4321.600N,01243.200E,3280ft,1,,,,\"Takeoff, west launch\"\r\n"
    "\"Sigillo\",\"SIGIL\",IT,4320.000N,01244.400E,1624ft,5,090,700.0m,123.450,\"Landing field\"\r\n"
    "\"Gubbio\",\"GUBBI\",IT,4321.000N,01235.000E,520.0m,1,,,,\"Turnpoint, \"\"the town\"\"\"\r\n"
    "\"Fossato\",\"FOSSA\",IT,4317.500N,01249.000E,580.0m,1,,,,\"\"\r\n"
    "\"Rio\",\"RIO\",BR,2254.000S,04312.000W,10m,1,,,,\"\"\r\n"
    "-----Related Tasks-----\r\n"
    "\"Cucco triangle\",\"Monte, Cucco\",\"Monte, Cucco\",\"Gubbio\",\"Fossato\",\"Sigillo\",\"Sigillo\"\r\n"
    "Options,NoStart=12:30:00,TaskTime=02:00:00,WpDis=False\r\n"
    "ObsZone=0,Style=2,R1=2km,A1=180\r\n"
    "ObsZone=1,Style=1,R1=400m,A1=180\r\n"
    "ObsZone=2,Style=1,R1=1.0km,A1=45\r\n"
    "ObsZone=3,Style=3,R1=500m,A1=180,Line=1\r\n";

TEST(CupFile, ReadsAFileAsSeeYouWritesItAndBuildsItsTask) {
    task::CupFile file;
    ASSERT_EQ(task::readCupText(kSeeYouFile, "cucco.cup", file), "");
    ASSERT_EQ(file.waypoints.size(), 5u);
    const task::CupWaypoint& cucco = file.waypoints[0];
    EXPECT_EQ(cucco.name, "Monte, Cucco");
    EXPECT_EQ(cucco.description, "Takeoff, west launch");
    EXPECT_NEAR(cucco.position.latitude, 43.0 + 21.6 / 60.0, 1e-12);
    EXPECT_NEAR(cucco.position.longitude, 12.0 + 43.2 / 60.0, 1e-12);
    EXPECT_NEAR(cucco.elevation, 3280 * 0.3048, 1e-9);
    EXPECT_EQ(file.waypoints[2].description, "Turnpoint, \"the town\"");
    EXPECT_NEAR(file.waypoints[4].position.latitude, -(22.0 + 54.0 / 60.0), 1e-12);
    EXPECT_NEAR(file.waypoints[4].position.longitude, -(43.0 + 12.0 / 60.0), 1e-12);

    ASSERT_EQ(file.tasks.size(), 1u);
    EXPECT_EQ(file.tasks[0].noStart, 12.5 * 3600);
    task::Task t;
    ASSERT_EQ(task::buildTask(file, "cucco.cup", "Cucco triangle", task::sphericalProjection(43.35, 12.7), t), "");
    EXPECT_EQ(t.takeoff.name, "Monte, Cucco");
    EXPECT_EQ(t.landing.name, "Sigillo");
    ASSERT_EQ(t.points.size(), 4u);
    EXPECT_EQ(t.startOpens, 12.5 * 3600);
    // The start: a 2 km cylinder. Gubbio: 400 m. Fossato: a 90-degree FAI
    // sector on the outward bisector. The finish: a line across the last leg.
    EXPECT_EQ(t.points[0].zone.radius, 2000.0);
    EXPECT_EQ(t.points[0].zone.halfAngle, 180.0);
    EXPECT_EQ(t.points[1].zone.radius, 400.0);
    const task::ObservationZone& sector = t.points[2].zone;
    EXPECT_EQ(sector.halfAngle, 45.0);
    const double toPrevious = task::bearingOf(t.points[1].zone.x - sector.x, t.points[1].zone.y - sector.y);
    const double toNext = task::bearingOf(t.points[3].zone.x - sector.x, t.points[3].zone.y - sector.y);
    const double offPrevious = std::fabs(std::remainder(sector.axis - toPrevious, 360.0));
    const double offNext = std::fabs(std::remainder(sector.axis - toNext, 360.0));
    EXPECT_NEAR(offPrevious, offNext, 1e-9);
    EXPECT_GT(offPrevious, 90.0); // outwards, away from both legs
    EXPECT_EQ(t.points[3].zone.shape, task::ObservationZone::Shape::Line);
    EXPECT_NEAR(t.points[3].zone.axis, task::bearingOf(t.points[3].zone.x - t.points[2].zone.x,
                                                       t.points[3].zone.y - t.points[2].zone.y), 1e-9);
    // Gubbio lies 8.2' of longitude west of Cucco: about 11 km.
    EXPECT_NEAR(t.takeoff.zone.x - t.points[1].zone.x, 8.2 / 60.0 * kPi / 180.0 * 6371000.0 * std::cos(43.35 * kPi / 180.0), 1e-6);
}

// One line of the good file replaced by `line`: the message names the file,
// the line and the field.
struct BadLine {
    int lineNumber; // 1-based, in kSeeYouFile
    const char* line;
    const char* message;
};

std::string replaced(int lineNumber, const std::string& line) {
    std::string text = kSeeYouFile;
    std::size_t begin = 0;
    for (int i = 1; i < lineNumber; ++i) {
        begin = text.find('\n', begin) + 1;
    }
    const std::size_t end = text.find('\n', begin);
    return text.substr(0, begin) + line + "\r" + text.substr(end);
}

TEST(CupFile, EachBadLineIsNamedByFileLineAndField) {
    const BadLine cases[] = {
        {1, "name,code,country,latitude,lon,elev", "f.cup:1: field header: no 'lat' column"},
        {2, "\"Monte, Cucco\",\"CUCCO\",IT,4321.600X,01243.200E,3280ft,1,,,,\"\"", "f.cup:2: field lat: '4321.600X'"},
        {2, "\"Monte, Cucco\",\"CUCCO\",IT,4361.600N,01243.200E,3280ft,1,,,,\"\"", "f.cup:2: field lat: '4361.600N': minutes 61.600 are 60 or more"},
        {2, "\"Monte, Cucco\",\"CUCCO\",IT,4321.600N,1243.200E,3280ft,1,,,,\"\"", "f.cup:2: field lon: '1243.200E'"},
        {2, "\"Monte, Cucco\",\"CUCCO\",IT,4321.600N,18143.200E,3280ft,1,,,,\"\"", "f.cup:2: field lon: '18143.200E': more than 180 degrees"},
        {2, "\"Monte, Cucco\",\"CUCCO\",IT,4321.600N,01243.200E,3280,1,,,,\"\"", "f.cup:2: field elev: '3280' is not a number of m or ft"},
        {2, "\"\",\"CUCCO\",IT,4321.600N,01243.200E,3280ft,1,,,,\"\"", "f.cup:2: field name: empty"},
        {3, "\"Sigillo,\"SIGIL\",IT,4320.000N,01244.400E,1624ft,5,,,,", "f.cup:3: field 1: text after the closing quote"},
        {3, "\"Sigillo\",\"SIGIL\",IT,4320.000N,01244.400E,1624ft,5,,,,\"x\",extra", "f.cup:3: field 12: more fields"},
        {4, "\"Gubbio\",\"GUBBI\",IT,4321.000N,01235.000E,520.0m,x1,,,,\"\"", "f.cup:4: field style: 'x1'"},
        {8, "\"T\",\"Monte, Cucco\",\"Monte, Cucco\",\"Gubio\",\"Sigillo\",\"Sigillo\"", "f.cup:8: field point 3: no waypoint named 'Gubio'"},
        {8, "\"T\",\"Monte, Cucco\",\"Gubbio\",\"Sigillo\"", "f.cup:8: field point 4: a task needs a takeoff, a start, a finish and a landing"},
        {9, "Options,NoStart=25:00:00", "f.cup:9: field NoStart: '25:00:00' is not HH:MM:SS"},
        {9, "Options,Handicap=100", "f.cup:9: field Handicap: not a task option"},
        {10, "ObsZone=4,Style=2,R1=2km", "f.cup:10: field ObsZone: '4' is not a task point number 0 to 3"},
        {10, "ObsZone=0,Style=7,R1=2km", "f.cup:10: field Style: '7' is not a zone style 0 to 4"},
        {10, "ObsZone=0,Style=2,R1=2furlongs", "f.cup:10: field R1: '2furlongs' is not a distance"},
        {10, "ObsZone=0,Style=2,R1=2km,A1=200", "f.cup:10: field A1: '200' is not an angle of 0 to 180 degrees"},
        {10, "ObsZone=0,Style=2,R1=2km,Line=yes", "f.cup:10: field Line: 'yes' is not 0, 1, True or False"},
    };
    for (const BadLine& c : cases) {
        SCOPED_TRACE(c.line);
        task::CupFile file;
        file.waypoints.resize(1); // left as it was on failure
        const std::string error = task::readCupText(replaced(c.lineNumber, c.line), "f.cup", file);
        EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_EQ(file.waypoints.size(), 1u);
    }
}

TEST(CupFile, ReadsFromDiskAndNamesAMissingFileOrTask) {
    const std::string dir = ::testing::TempDir();
    const std::string path = dir + "/cup-file-test.cup";
    std::ofstream(path, std::ios::binary) << kSeeYouFile;
    task::CupFile file;
    ASSERT_EQ(task::readCupFile(path, file), "");
    EXPECT_EQ(file.waypoints.size(), 5u);
    // As --task names it: the file's first task, or one by name.
    task::Task t;
    const task::ToLocal here = task::sphericalProjection(43, 12);
    ASSERT_EQ(task::loadTask(path, here, t), "");
    EXPECT_EQ(t.name, "Cucco triangle");
    EXPECT_EQ(task::loadTask(path + ":Cucco triangle", here, t), "");
    EXPECT_EQ(task::loadTask(path + ":Other", here, t), path + ": no task named 'Other'");
    std::remove(path.c_str());
    EXPECT_EQ(task::readCupFile(path, file).rfind(path + ": cannot be read", 0), 0u);
}

} // namespace
