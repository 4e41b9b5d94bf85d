#include "nmea/NmeaFeed.h"

namespace nmea {

NmeaFeed::NmeaFeed(NmeaLink& l, double positionRate, double startSecondOfDay)
    : link(l), scheduler(positionRate, startSecondOfDay) {}

bool NmeaFeed::tick(double flightTime) {
    due = scheduler.due(flightTime);
    return due.position || due.instruments;
}

void NmeaFeed::send(NmeaFix fix) {
    fix.clock = due.clock;
    sentClock = due.clock;
    length = 0;
    const auto add = [&](std::size_t (*format)(const NmeaFix&, char*, std::size_t)) {
        length += format(fix, buffer.data() + length, buffer.size() - length);
    };
    if (due.position) {
        add(formatRmc);
        add(formatGga);
    }
    if (due.instruments) {
        add(formatLxwp0);
        add(formatPgrmz);
        add(formatLk8ex1);
    }
    if (length > 0) {
        link.send(buffer.data(), length);
    }
    due = NmeaDue{};
}

} // namespace nmea
