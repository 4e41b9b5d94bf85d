#pragma once

#include <cstddef>

// The sentences a vario and GPS send a flight computer (XCSoar, LK8000,
// XCTrack), written into a caller's buffer: no allocation, "$...*HH\r\n"
// with the checksum of everything between '$' and '*'.
namespace nmea {

// What the instruments know at one moment.
struct NmeaFix {
    // The date the clock counts from, and the seconds since its midnight
    // (more than a day's rolls the date on).
    int year = 2000;
    int month = 1;
    int day = 1;
    double clock = 0.0;           // (unit: s)
    double latitude = 0.0;        // (unit: degrees north)
    double longitude = 0.0;       // (unit: degrees east)
    double altitude = 0.0;        // (unit: m) above mean sea level
    double geoidSeparation = 0.0; // (unit: m) of the WGS-84 ellipsoid above mean sea level, as receivers report it
    double groundSpeed = 0.0;     // (unit: m/s)
    double track = 0.0;           // (unit: degrees) over the ground
    double heading = 0.0;         // (unit: degrees) where the nose points
    double trueAirspeed = 0.0;    // (unit: m/s)
    double totalEnergyVario = 0.0;// (unit: m/s)
    double windFrom = 0.0;        // (unit: degrees) the direction the wind blows from
    double windSpeed = 0.0;       // (unit: m/s)
};

// Each returns the sentence's length (without a terminating zero, which is
// written too), or 0 when `size` is too small.
std::size_t formatRmc(const NmeaFix& fix, char* out, std::size_t size);
std::size_t formatGga(const NmeaFix& fix, char* out, std::size_t size);
// LX Navigation's: true airspeed (km/h), altitude (m), vario (m/s), heading,
// wind from-direction and speed (km/h).
std::size_t formatLxwp0(const NmeaFix& fix, char* out, std::size_t size);
// Garmin's pressure altitude in feet (the standard atmosphere's: no QNH).
std::size_t formatPgrmz(const NmeaFix& fix, char* out, std::size_t size);
// LK8000's: static pressure (Pa, from the standard atmosphere) and vario (cm/s).
std::size_t formatLk8ex1(const NmeaFix& fix, char* out, std::size_t size);

// The checksum of a sentence's body (between '$' and '*').
unsigned nmeaChecksum(const char* body, std::size_t length);

// Pressure of the standard atmosphere at `altitude` metres.
double standardPressure(double altitude); // (unit: Pa)

} // namespace nmea
