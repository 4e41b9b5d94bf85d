#include "nmea/NmeaSentences.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace nmea {

namespace {

constexpr double kKnotsPerMetrePerSecond = 3600.0 / 1852.0;
constexpr double kKmhPerMetrePerSecond = 3.6;
constexpr double kFeetPerMetre = 1.0 / 0.3048;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
long long daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// The time of day to hundredths of a second, and the date it falls on. The
// hundredths are counted once so that 59.999 s never prints as 60.00.
struct Stamp {
    int hours, minutes, hundredths; // hundredths of the minute's seconds
    int year, month, day;
};

Stamp stampOf(const NmeaFix& fix) {
    const long long total = std::llround(fix.clock * 100.0);
    const long long days = total >= 0 ? total / 8640000 : (total - 8639999) / 8640000;
    const long long ofDay = total - days * 8640000;
    Stamp s{};
    s.hours = static_cast<int>(ofDay / 360000);
    s.minutes = static_cast<int>(ofDay / 6000 % 60);
    s.hundredths = static_cast<int>(ofDay % 6000);
    civilFromDays(daysFromCivil(fix.year, fix.month, fix.day) + days, s.year, s.month, s.day);
    return s;
}

// "DDMM.mmmm" with degreeDigits, hemisphere letter after a comma.
int angleField(char* out, std::size_t size, double degrees, int degreeDigits, char positive, char negative) {
    const long long tenThousandths = std::llround(std::fabs(degrees) * 600000.0); // of a minute
    return std::snprintf(out, size, "%0*lld%02lld.%04lld,%c", degreeDigits, tenThousandths / 600000,
                         tenThousandths / 10000 % 60, tenThousandths % 10000,
                         degrees < 0.0 && tenThousandths != 0 ? negative : positive);
}

double wrapDegrees(double d) {
    const double w = std::fmod(d, 360.0);
    return w < 0.0 ? w + 360.0 : (w >= 359.95 ? 0.0 : w);
}

// "$" body "*HH\r\n" into out.
std::size_t sentence(char* out, std::size_t size, const char* format, ...) {
    if (size < 8) {
        return 0;
    }
    out[0] = '$';
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(out + 1, size - 1, format, args);
    va_end(args);
    if (n < 0 || static_cast<std::size_t>(n) + 1 + 5 >= size) {
        return 0;
    }
    const unsigned sum = nmeaChecksum(out + 1, static_cast<std::size_t>(n));
    const int tail = std::snprintf(out + 1 + n, size - 1 - static_cast<std::size_t>(n), "*%02X\r\n", sum);
    return static_cast<std::size_t>(1 + n + tail);
}

} // namespace

unsigned nmeaChecksum(const char* body, std::size_t length) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < length; ++i) {
        sum ^= static_cast<unsigned char>(body[i]);
    }
    return sum;
}

double standardPressure(double altitude) { return 101325.0 * std::pow(1.0 - 2.25577e-5 * altitude, 5.25588); }

std::size_t formatRmc(const NmeaFix& fix, char* out, std::size_t size) {
    const Stamp s = stampOf(fix);
    char lat[24];
    char lon[24];
    angleField(lat, sizeof lat, fix.latitude, 2, 'N', 'S');
    angleField(lon, sizeof lon, fix.longitude, 3, 'E', 'W');
    return sentence(out, size, "GPRMC,%02d%02d%02d.%02d,A,%s,%s,%.1f,%.1f,%02d%02d%02d,,,A", s.hours, s.minutes,
                    s.hundredths / 100, s.hundredths % 100, lat, lon, fix.groundSpeed * kKnotsPerMetrePerSecond,
                    wrapDegrees(fix.track), s.day, s.month, s.year % 100);
}

std::size_t formatGga(const NmeaFix& fix, char* out, std::size_t size) {
    const Stamp s = stampOf(fix);
    char lat[24];
    char lon[24];
    angleField(lat, sizeof lat, fix.latitude, 2, 'N', 'S');
    angleField(lon, sizeof lon, fix.longitude, 3, 'E', 'W');
    // A 3D fix from 12 satellites, a good geometry.
    return sentence(out, size, "GPGGA,%02d%02d%02d.%02d,%s,%s,1,12,0.8,%.1f,M,%.1f,M,,", s.hours, s.minutes,
                    s.hundredths / 100, s.hundredths % 100, lat, lon, fix.altitude, fix.geoidSeparation);
}

std::size_t formatLxwp0(const NmeaFix& fix, char* out, std::size_t size) {
    return sentence(out, size, "LXWP0,N,%.1f,%.1f,%.2f,,,,,,%.0f,%.0f,%.1f", fix.trueAirspeed * kKmhPerMetrePerSecond,
                    fix.altitude, fix.totalEnergyVario, std::fmod(std::round(wrapDegrees(fix.heading)), 360.0),
                    std::fmod(std::round(wrapDegrees(fix.windFrom)), 360.0), fix.windSpeed * kKmhPerMetrePerSecond);
}

std::size_t formatPgrmz(const NmeaFix& fix, char* out, std::size_t size) {
    return sentence(out, size, "PGRMZ,%.0f,f,3", fix.altitude * kFeetPerMetre);
}

std::size_t formatLk8ex1(const NmeaFix& fix, char* out, std::size_t size) {
    // Altitude 99999: the receiver takes it from the pressure; no
    // temperature (99) and no battery (999).
    return sentence(out, size, "LK8EX1,%.0f,99999,%.0f,99,999", standardPressure(fix.altitude),
                    fix.totalEnergyVario * 100.0);
}

} // namespace nmea
