#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "nmea/EnergyVario.h"
#include "nmea/NmeaFeed.h"
#include "nmea/NmeaLink.h"
#include "nmea/NmeaScheduler.h"
#include "nmea/NmeaSentences.h"
#include "nmea/TcpListener.h"

namespace {

std::string format(std::size_t (*f)(const nmea::NmeaFix&, char*, std::size_t), const nmea::NmeaFix& fix) {
    char buffer[256];
    const std::size_t n = f(fix, buffer, sizeof buffer);
    return std::string(buffer, n);
}

TEST(NmeaSentences, FieldsAndChecksumsAsReceiversWriteThem) {
    nmea::NmeaFix fix;
    fix.year = 2026;
    fix.month = 12;
    fix.day = 31;
    // Checksums worked out apart from this code (Python's xor of the body).
    fix.clock = 86399.996; // rounds to the next day's first second, date and all
    fix.latitude = 48.1173;
    fix.longitude = -11.516666667;
    fix.altitude = 545.4;
    fix.geoidSeparation = 46.9;
    fix.groundSpeed = 22.4 * 1852.0 / 3600.0;
    fix.track = 84.4;
    fix.heading = 359.7;
    fix.trueAirspeed = 12.5;
    fix.totalEnergyVario = -1.234;
    fix.windFrom = 270.0;
    fix.windSpeed = 5.0;
    EXPECT_EQ(format(nmea::formatRmc, fix), "$GPRMC,000000.00,A,4807.0380,N,01131.0000,W,22.4,84.4,010127,,,A*47\r\n");
    EXPECT_EQ(format(nmea::formatGga, fix), "$GPGGA,000000.00,4807.0380,N,01131.0000,W,1,12,0.8,545.4,M,46.9,M,,*7C\r\n");
    EXPECT_EQ(format(nmea::formatLxwp0, fix), "$LXWP0,N,45.0,545.4,-1.23,,,,,,0,270,18.0*7D\r\n");
    fix.altitude = 246.0 * 0.3048;
    EXPECT_EQ(format(nmea::formatPgrmz, fix), "$PGRMZ,246,f,3*1B\r\n"); // as gpsd's own examples
    fix.altitude = 0.0;
    EXPECT_EQ(format(nmea::formatLk8ex1, fix), "$LK8EX1,101325,99999,-123,99,999*26\r\n");
    char tiny[20];
    EXPECT_EQ(nmea::formatRmc(fix, tiny, sizeof tiny), 0u);
}

// Ten seconds of 100 steps at 2 Hz position, then the flight restarts: the
// clock carries on.
TEST(NmeaScheduler, SendsAtItsRatesAndItsClockNeverGoesBack) {
    nmea::NmeaScheduler scheduler(2.0, 3600.0);
    int positions = 0;
    int instruments = 0;
    double last = -1.0;
    for (int step = 0; step < 2000; ++step) {
        const double t = (step < 1000 ? step : step - 1000) * 0.01;
        const nmea::NmeaDue due = scheduler.due(t);
        positions += due.position ? 1 : 0;
        instruments += due.instruments ? 1 : 0;
        EXPECT_GE(due.clock, last);
        last = due.clock;
    }
    EXPECT_NEAR(last, 3600.0 + 19.98, 1e-9);
    EXPECT_EQ(positions, 40);
    EXPECT_EQ(instruments, 100);
    // Rates outside 1..5 Hz are held to it.
    nmea::NmeaScheduler fast(50.0, 0.0);
    int fastPositions = 0;
    for (int step = 0; step < 100; ++step) {
        fastPositions += fast.due(step * 0.01).position ? 1 : 0;
    }
    EXPECT_EQ(fastPositions, 5);
}

// A steady climb reads as climb; a pull-up trading 15 m/s for height at a
// constant energy reads none.
TEST(EnergyVario, ReadsClimbButNotSpeedTurnedIntoHeight) {
    nmea::EnergyVario climbing;
    nmea::EnergyVario pullUp;
    for (int step = 0; step <= 1000; ++step) {
        const double t = step * 0.01;
        climbing.update(t, 1000.0 + 1.5 * t, 11.0);
        const double speed = 25.0 - 1.5 * t;
        pullUp.update(t, 1000.0 + (25.0 * 25.0 - speed * speed) / (2.0 * 9.80665), speed);
    }
    EXPECT_NEAR(climbing.reading(), 1.5, 1e-3);
    EXPECT_NEAR(pullUp.reading(), 0.0, 1e-9);
}

TEST(NmeaLink, MalformedTargetsAreRefusedWithAReason) {
    for (const char* target : {"udp:", "udp:localhost", "udp:localhost:0", "udp:localhost:99999", "tcp-listen:x",
                               "serial:/dev/ttyS0"}) {
        std::string error;
        EXPECT_EQ(nmea::openNmeaLink(target, error), nullptr) << target;
        EXPECT_NE(error.find(target), std::string::npos) << error;
    }
}

// A flight computer connecting to the server gets whole bursts.
TEST(NmeaLink, TcpClientsReceiveEveryBurstAfterTheyConnect) {
    std::string error;
    auto link = nmea::openNmeaLink("tcp-listen:127.0.0.1:0", error);
    ASSERT_NE(link, nullptr) << error;
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(link->localPort()));
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    nmea::NmeaFeed feed(*link, 1.0, 0.0);
    std::string received;
    char buffer[4096];
    for (int step = 0; step <= 100; ++step) {
        if (feed.tick(step * 0.01)) {
            feed.send(nmea::NmeaFix());
        }
    }
    // Two bursts with the position (at 0 s and 1 s), six of the instruments:
    // 22 sentences. A receive that waits more than 5 s ends the wait.
    timeval patience{5, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    std::size_t lines = 0;
    while (lines < 22) {
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(n));
        lines = 0;
        for (char c : received) {
            lines += c == '\n' ? 1 : 0;
        }
    }
    EXPECT_EQ(lines, 22u);
    EXPECT_EQ(received.rfind("$GPRMC,000000.00,A,", 0), 0u);
    EXPECT_EQ(received.back(), '\n');
    close(client);
}

} // namespace
