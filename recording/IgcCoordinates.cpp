#include "recording/IgcCoordinates.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include "physics/SharedConstants.h"

namespace flight {

namespace {

constexpr double kDegreesPerRadian = 180.0 / kPi;
constexpr long long kThousandthsPerDegree = 60000; // thousandths of a minute

// Writes `value` as exactly `width` decimal digits, zero-padded.
char* putDigits(char* out, long long value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return out + width;
}

// Writes `digits` degrees, then minutes and thousandths, then the hemisphere.
template <std::size_t N>
std::array<char, N> splitAngle(double degrees, int digits, char positive, char negative) {
    const long long thousandths = std::llround(std::fabs(degrees) * static_cast<double>(kThousandthsPerDegree));
    std::array<char, N> text{};
    char* out = putDigits(text.data(), thousandths / kThousandthsPerDegree, digits);
    out = putDigits(out, thousandths % kThousandthsPerDegree, 5); // MMmmm
    *out = degrees < 0.0 && thousandths != 0 ? negative : positive;
    return text;
}

} // namespace

GeoPoint geoPointOf(const GeoOrigin& origin, double east, double north) {
    const double radiansNorth = north / kEarthRadius;
    const double parallelRadius = kEarthRadius * std::cos(origin.latitude / kDegreesPerRadian);
    const double radiansEast = east / parallelRadius;
    GeoPoint point;
    point.latitude = std::clamp(origin.latitude + radiansNorth * kDegreesPerRadian, -90.0, 90.0);
    // Near a pole a few kilometres east can be many turns around it; the
    // remainder of a division by 360 is exact and lands within -180..180
    // whatever their number.
    point.longitude = std::remainder(origin.longitude + radiansEast * kDegreesPerRadian, 360.0);
    return point;
}

std::array<char, 9> igcLatitude(double degrees) { return splitAngle<9>(degrees, 2, 'N', 'S'); }

std::array<char, 10> igcLongitude(double degrees) { return splitAngle<10>(degrees, 3, 'E', 'W'); }

int igcAltitude(double metres) {
    const long rounded = std::lround(std::clamp(metres, static_cast<double>(kIgcLowestAltitude),
                                                static_cast<double>(kIgcHighestAltitude)));
    if (rounded == 0) {
        return std::signbit(metres) ? -1 : 1;
    }
    return static_cast<int>(rounded);
}

std::array<char, 6> igcAltitudeField(int metres) {
    std::array<char, 6> text{};
    // Below sea level the sign takes the place of the leading zero.
    std::snprintf(text.data(), text.size(), metres < 0 ? "-%04d" : "%05d", metres < 0 ? -metres : metres);
    return text;
}

std::array<char, 7> igcClock(long long secondsOfDay) {
    const long long wrapped = ((secondsOfDay % 86400) + 86400) % 86400;
    std::array<char, 7> text{};
    std::snprintf(text.data(), text.size(), "%02lld%02lld%02lld", wrapped / 3600, wrapped / 60 % 60, wrapped % 60);
    return text;
}

} // namespace flight
