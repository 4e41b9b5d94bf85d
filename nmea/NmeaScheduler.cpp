#include "nmea/NmeaScheduler.h"

#include <algorithm>
#include <cmath>

namespace nmea {

NmeaScheduler::NmeaScheduler(double rate, double startSecondOfDay)
    : positionRate(std::clamp(rate, 1.0, 5.0)), offset(startSecondOfDay) {}

NmeaDue NmeaScheduler::due(double flightTime) {
    if (!first && flightTime < lastFlightTime) {
        // The flight started again: the clock goes on from its last reading.
        offset += lastFlightTime - flightTime;
    }
    first = false;
    lastFlightTime = flightTime;
    NmeaDue d;
    d.clock = offset + flightTime;
    // Ticks counted on a slightly late clock, so a step that lands a rounding
    // error short of a tick still sends it.
    const double c = d.clock + 1e-9;
    const long long instrumentTick = static_cast<long long>(std::floor(c * kInstrumentRate));
    const long long positionTick = static_cast<long long>(std::floor(c * positionRate));
    if (instrumentTick > lastInstrumentTick) {
        lastInstrumentTick = instrumentTick;
        d.instruments = true;
    }
    if (positionTick > lastPositionTick) {
        lastPositionTick = positionTick;
        d.position = true;
    }
    return d;
}

} // namespace nmea
