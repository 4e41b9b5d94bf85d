#pragma once

// When each sentence is due, in simulated time. The instruments' sentences
// go out at 5 Hz, the position at 1 to 5 Hz, each on the clock's whole
// ticks. The clock never runs back: when the flight's time starts again (a
// reset), it carries on from where it was, so a flight computer sees one
// continuous day.
namespace nmea {

struct NmeaDue {
    bool position = false;    // $GPRMC and $GPGGA
    bool instruments = false; // $LXWP0, $PGRMZ and $LK8EX1
    double clock = 0.0;       // (unit: s) since the first day's midnight
};

class NmeaScheduler {
public:
    static constexpr double kInstrumentRate = 5.0; // (unit: Hz)

    // `positionRate` within 1..5 Hz (clamped); `startSecondOfDay`: the clock
    // at flight time 0.
    NmeaScheduler(double positionRate, double startSecondOfDay);

    // Called with the flight time of every step (s).
    NmeaDue due(double flightTime);

    double clock() const { return offset + lastFlightTime; }

private:
    double positionRate;
    double offset;
    double lastFlightTime = 0.0;
    long long lastPositionTick = -1;
    long long lastInstrumentTick = -1;
    bool first = true;
};

} // namespace nmea
