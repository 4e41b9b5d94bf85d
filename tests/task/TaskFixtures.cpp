// Writes what the independent readers check (check-task-outputs.js):
//   task-fixtures xc DIR     three flights as IGC logs with their task
//                            declared in C records; prints our score of each
//   task-fixtures flown DIR  the realistic glider flown by the task pilot
//                            over three tasks on flat ground, logged the same
//                            way; prints each task's result and our score
//   task-fixtures nmea FILE  ten minutes of a flight (reset halfway) sent as
//                            NMEA over UDP on loopback, the datagrams as
//                            received in FILE, the positions sent in FILE.csv
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "autopilot/TaskPilot.h"
#include "physics/SharedConstants.h"
#include "nmea/NmeaFeed.h"
#include "nmea/NmeaLink.h"
#include "task/FreeFlightScore.h"
#include "task/IgcTaskDeclaration.h"
#include "task/Task.h"
#include "task/TaskProgress.h"
#include "task/TaskSummary.h"
#include "scene/PilotSeat.h"
#include "scene/StartScene.h"
#include "terrain/RidgeHeightField.h"

namespace {

constexpr double kEarthRadius = 6371000.0;
constexpr double kOriginLatitude = 46.0;
constexpr double kOriginLongitude = 7.0;

GeoCoordinate geographic(double x, double y) {
    return {kOriginLatitude + y / kEarthRadius * 180.0 / kPi,
            kOriginLongitude + x / (kEarthRadius * std::cos(kOriginLatitude * kPi / 180.0)) * 180.0 / kPi};
}

struct Corner {
    double x, y;
};

// A flight through `corners` at 12 m/s, a fix a second, with a thermal
// circled (80 m across, drifting) every 3 km, as a pilot flies.
std::vector<task::XcFix> flyThrough(const std::vector<Corner>& corners) {
    std::vector<task::XcFix> track;
    double sinceThermal = 0.0;
    for (std::size_t i = 0; i + 1 < corners.size(); ++i) {
        const double dx = corners[i + 1].x - corners[i].x;
        const double dy = corners[i + 1].y - corners[i].y;
        const double length = std::hypot(dx, dy);
        for (double s = 0.0; s < length; s += 12.0) {
            const double x = corners[i].x + dx * s / length;
            const double y = corners[i].y + dy * s / length;
            track.push_back({x, y});
            sinceThermal += 12.0;
            if (sinceThermal > 3000.0) {
                sinceThermal = 0.0;
                for (int k = 1; k <= 60; ++k) {
                    const double a = k * 2.0 * kPi / 20.0;
                    track.push_back({x + 40.0 * std::sin(a) + 0.5 * k, y + 40.0 * (1.0 - std::cos(a))});
                }
            }
        }
    }
    track.push_back({corners.back().x, corners.back().y});
    return track;
}

task::TaskPoint point(const char* name, double x, double y) {
    task::TaskPoint p;
    p.name = name;
    p.position = geographic(x, y);
    p.elevation = 500.0;
    p.zone.x = x;
    p.zone.y = y;
    return p;
}

// The fixes as the log holds them, to a thousandth of a minute: what a
// contest server scores.
std::vector<GeoCoordinate> asLogged(const std::vector<task::XcFix>& track) {
    std::vector<GeoCoordinate> logged;
    for (const task::XcFix& fix : track) {
        const GeoCoordinate g = geographic(fix.x, fix.y);
        logged.push_back({std::round(g.latitude * 60000.0) / 60000.0, std::round(g.longitude * 60000.0) / 60000.0});
    }
    return logged;
}

// An IGC log of `track` (a fix a second) with `declared` in its C records.
bool writeIgc(const std::string& path, const task::Task& declared, const std::vector<task::XcFix>& track) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        return false;
    }
    std::fputs("AXXXGLD\r\nHFDTE150726\r\nHFPLTPILOTINCHARGE:Simulated pilot\r\n", out);
    std::fputs("HFGTYGLIDERTYPE:Hang glider\r\nHFDTMGPSDATUM:WGS-1984\r\n", out);
    for (const std::string& line : task::igcTaskDeclaration(declared, {2026, 7, 15, 36000}, 1)) {
        std::fprintf(out, "%s\r\n", line.c_str());
    }
    long long second = 11 * 3600;
    for (const task::XcFix& fix : track) {
        const GeoCoordinate g = geographic(fix.x, fix.y);
        const long long mlat = std::llround(std::fabs(g.latitude) * 60000.0);
        const long long mlon = std::llround(std::fabs(g.longitude) * 60000.0);
        std::fprintf(out, "B%02lld%02lld%02lld%02lld%05lld%c%03lld%05lld%cA0150001500\r\n", second / 3600 % 24,
                     second / 60 % 60, second % 60, mlat / 60000, mlat % 60000, g.latitude < 0 ? 'S' : 'N',
                     mlon / 60000, mlon % 60000, g.longitude < 0 ? 'W' : 'E');
        ++second;
    }
    return std::fclose(out) == 0;
}

task::TaskPoint zoneAt(const char* name, double x, double y, double radius, bool line) {
    task::TaskPoint p = point(name, x, y);
    p.zone.radius = radius;
    p.zone.shape = line ? task::ObservationZone::Shape::Line : task::ObservationZone::Shape::Sector;
    return p;
}

// The realistic glider launched 800 m south of each start line, 1200 m up,
// flown by the task pilot to the finish and 20 s on (or to the ground): a
// fix a second.
int writeFlown(const std::string& dir) {
    struct Course {
        const char* name;
        std::vector<Corner> corners; // start, turnpoints, finish
        bool closed;                 // finish cylinder back at the start
    };
    const std::vector<Course> courses = {
        {"free", {{0, 0}, {750, 1250}, {0, 2500}, {750, 3750}, {0, 5000}}, false},
        {"flat", {{0, 0}, {2500, 0}, {2500, 600}, {0, 150}}, true},
        {"fai", {{0, 0}, {2000, 0}, {1000, 1732}, {0, 0}}, true},
    };
    for (const Course& c : courses) {
        task::Task t;
        t.name = std::string(c.name) + " course";
        for (std::size_t i = 0; i < c.corners.size(); ++i) {
            const bool first = i == 0;
            const bool last = i + 1 == c.corners.size();
            const std::string name = first ? "Start" : last ? "Goal" : "TP" + std::to_string(i);
            t.points.push_back(zoneAt(name.c_str(), c.corners[i].x, c.corners[i].y, first ? 300.0 : 150.0,
                                      first || (last && !c.closed)));
        }
        t.takeoff = point("Takeoff", 0, -800);
        t.landing = t.points.back();
        task::orientZones(t.points, std::vector<int>(t.points.size(), 1), std::vector<double>(t.points.size(), 0.0));

        start::Launch launch;
        launch.position = Vector3D(0.0, -800.0, 1200.0);
        launch.headingDegrees = 0.0;
        start::Flight flight = start::makeFlight(generateFlatHeightField(16000.0, 200.0), Vector3D(0.0, 0.0, 0.0),
                                                 start::FlightModel::Realistic, launch);
        flight.world->prepare();
        task::TaskProgress progress(t, 10.0);
        TaskPilot pilot(t, progress, 0.0, 0.0, PilotLimits(), start::pilotGainsFor(flight.model));
        std::vector<task::XcFix> track;
        const Particle& body = flight.glider->pilotParticle();
        // As a pilot does, the log runs on past the finish line for a while:
        // a closed course's track then comes back round near where it began,
        // not only to the edge of the finish cylinder.
        int finishedAt = -1;
        for (int step = 0; step < 200000; ++step) {
            const Vector3D& p = body.position;
            progress.update(step * 0.01, p.x, p.y, p.z);
            if (step % 100 == 0) {
                track.push_back({p.x, p.y});
            }
            if (progress.status().finished && finishedAt < 0) {
                finishedAt = step;
            }
            if ((finishedAt >= 0 && step >= finishedAt + 2000) || p.z < 20.0) {
                break;
            }
            start::pressFor(flight, pilot.decide(start::pilotView(flight)));
            flight.world->step();
        }
        if (!writeIgc(dir + "/" + c.name + ".igc", t, track)) {
            return 1;
        }
        const task::XcScore s = task::scoreFreeFlight(asLogged(track));
        std::printf("%s %s %.1f %.2f %s %s\n", c.name, task::xcTypeName(s.type), s.distance, s.points,
                    task::taskResultFields(progress.status()).c_str(), task::xcScoreFields(s).c_str());
    }
    return 0;
}

int writeXc(const std::string& dir) {
    struct Flight {
        const char* name;
        std::vector<Corner> corners;
    };
    const std::vector<Flight> flights = {
        {"free", {{-25000, -2000}, {-5000, 3000}, {10000, -5000}, {25000, 6000}}},
        {"flat", {{-12000, -2500}, {13000, -3000}, {13000, 3000}, {-12000, 2000}}},
        {"fai", {{-7500, -4330}, {7500, -4330}, {0, 8660}, {-7000, -4000}}},
    };
    for (const Flight& f : flights) {
        const std::vector<task::XcFix> track = flyThrough(f.corners);
        task::Task declared;
        declared.name = std::string(f.name) + " task, \"declared\"";
        declared.takeoff = point("Takeoff", f.corners.front().x, f.corners.front().y);
        for (std::size_t i = 0; i < f.corners.size(); ++i) {
            const std::string name = i == 0 ? "Start" : i + 1 == f.corners.size() ? "Goal" : "TP" + std::to_string(i);
            declared.points.push_back(point(name.c_str(), f.corners[i].x, f.corners[i].y));
        }
        declared.landing = point("Landing", f.corners.back().x, f.corners.back().y);
        if (!writeIgc(dir + "/" + f.name + ".igc", declared, track)) {
            return 1;
        }
        const task::XcScore s = task::scoreFreeFlight(asLogged(track));
        std::printf("%s %s %.1f %.2f\n", f.name, task::xcTypeName(s.type), s.distance, s.points);
    }
    return 0;
}

int writeNmea(const std::string& file) {
    const int receiver = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    if (receiver < 0 || bind(receiver, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        getsockname(receiver, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        std::perror("loopback socket");
        return 1;
    }
    const int bufferSize = 1 << 22;
    setsockopt(receiver, SOL_SOCKET, SO_RCVBUF, &bufferSize, sizeof bufferSize);
    std::string error;
    auto link = nmea::openNmeaLink("udp:127.0.0.1:" + std::to_string(ntohs(local.sin_port)), error);
    if (!link) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::FILE* capture = std::fopen(file.c_str(), "wb");
    std::FILE* positions = std::fopen((file + ".csv").c_str(), "wb");
    if (!capture || !positions) {
        std::perror(file.c_str());
        return 1;
    }
    std::fputs("clock,latitude,longitude,altitude\n", positions);
    nmea::NmeaFeed feed(*link, 2.0, 23 * 3600 + 55 * 60); // over midnight
    std::vector<char> datagram(65536);
    const auto drain = [&] {
        while (true) {
            const ssize_t n = recv(receiver, datagram.data(), datagram.size(), MSG_DONTWAIT);
            if (n <= 0) {
                return;
            }
            std::fwrite(datagram.data(), 1, static_cast<std::size_t>(n), capture);
        }
    };
    // 10 minutes at 100 steps a second; the flight restarts after 5.
    for (int step = 0; step < 60000; ++step) {
        const double t = (step < 30000 ? step : step - 30000) * 0.01;
        if (feed.tick(t)) {
            nmea::NmeaFix fix;
            fix.year = 2026;
            fix.month = 12;
            fix.day = 31;
            const double x = 300.0 * std::sin(t / 60.0) + 11.0 * t;
            const double y = 300.0 * (1.0 - std::cos(t / 60.0)) - 3.0 * t;
            const GeoCoordinate g = geographic(x, y);
            fix.latitude = g.latitude;
            fix.longitude = g.longitude;
            fix.altitude = 1500.0 - 0.8 * t;
            fix.geoidSeparation = 48.3;
            fix.groundSpeed = 12.0;
            fix.track = std::fmod(t * 3.0, 360.0);
            fix.heading = std::fmod(t * 3.0 + 5.0, 360.0);
            fix.trueAirspeed = 11.5;
            fix.totalEnergyVario = 1.5 * std::sin(t / 7.0);
            fix.windFrom = 270.0;
            fix.windSpeed = 4.0;
            feed.send(fix);
            if (feed.lastBurstLength() > 0 && std::string(feed.lastBurst(), 6) == "$GPRMC") {
                std::fprintf(positions, "%.3f,%.9f,%.9f,%.2f\n", feed.lastClock(), fix.latitude, fix.longitude, fix.altitude);
            }
        }
        if (step % 100 == 0) {
            drain();
        }
    }
    drain();
    std::fclose(capture);
    std::fclose(positions);
    close(receiver);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "xc") {
        return writeXc(argv[2]);
    }
    if (argc == 3 && std::string(argv[1]) == "flown") {
        return writeFlown(argv[2]);
    }
    if (argc == 3 && std::string(argv[1]) == "nmea") {
        return writeNmea(argv[2]);
    }
    std::fprintf(stderr, "usage: task-fixtures xc DIR | flown DIR | nmea FILE\n");
    return 2;
}
