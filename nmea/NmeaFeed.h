#pragma once

#include <array>
#include <cstddef>

#include "nmea/NmeaLink.h"
#include "nmea/NmeaScheduler.h"
#include "nmea/NmeaSentences.h"

namespace nmea {

// One flight's stream to a flight computer: each step asks whether
// anything is due and, if so, sends that burst (position first, then the
// instruments) as one write. Allocates nothing per step.
//
//   if (feed.tick(flightTime)) { NmeaFix fix = ...; feed.send(fix); }
class NmeaFeed {
public:
    // `link` must outlive the feed.
    NmeaFeed(NmeaLink& link, double positionRate, double startSecondOfDay);

    // True when a burst is due at this step's flight time (s).
    bool tick(double flightTime);
    // Sends the due burst; the fix's clock is the scheduler's.
    void send(NmeaFix fix);
    // The last burst, for tests and logs.
    const char* lastBurst() const { return buffer.data(); }
    std::size_t lastBurstLength() const { return length; }
    double lastClock() const { return sentClock; } // (unit: s) the clock of the last burst

private:
    NmeaLink& link;
    NmeaScheduler scheduler;
    NmeaDue due{};
    std::array<char, 1024> buffer{};
    std::size_t length = 0;
    double sentClock = 0.0;
};

} // namespace nmea
