#include "atmosphere/Sun.h"
#include "physics/SharedConstants.h"

#include <cmath>

namespace {

constexpr double kRadians = kPi / 180.0;

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

} // namespace

namespace sun {

int dayOfYear(int year, int month, int day) {
    static const int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int m = month < 1 ? 1 : (month > 12 ? 12 : month);
    return kBefore[m - 1] + day + (m > 2 && isLeap(year) ? 1 : 0);
}

SunPosition positionAt(const SunMoment& moment, double latitude, double longitude) {
    const double daysInYear = isLeap(moment.year) ? 366.0 : 365.0;
    // The fractional year (radians).
    const double g = 2.0 * kPi / daysInYear * (dayOfYear(moment.year, moment.month, moment.day) - 1 +
                                               (moment.utcHours - 12.0) / 24.0);
    const double equationOfTime = 229.18 * (0.000075 + 0.001868 * std::cos(g) - 0.032077 * std::sin(g) -
                                            0.014615 * std::cos(2.0 * g) - 0.040849 * std::sin(2.0 * g)); // (unit: min)
    const double declination = 0.006918 - 0.399912 * std::cos(g) + 0.070257 * std::sin(g) -
                               0.006758 * std::cos(2.0 * g) + 0.000907 * std::sin(2.0 * g) -
                               0.002697 * std::cos(3.0 * g) + 0.00148 * std::sin(3.0 * g); // (unit: rad)
    // True solar time (minutes) and the hour angle, zero at solar noon.
    const double solarMinutes = moment.utcHours * 60.0 + equationOfTime + 4.0 * longitude;
    const double hourAngle = (solarMinutes / 4.0 - 180.0) * kRadians;
    const double phi = latitude * kRadians;
    const double sinElevation = std::sin(phi) * std::sin(declination) +
                                std::cos(phi) * std::cos(declination) * std::cos(hourAngle);
    SunPosition position;
    position.elevation = std::asin(sinElevation < -1.0 ? -1.0 : (sinElevation > 1.0 ? 1.0 : sinElevation)) / kRadians;
    // Measured from the south towards the west, then turned to north-based.
    const double fromSouth = std::atan2(std::sin(hourAngle),
                                        std::cos(hourAngle) * std::sin(phi) - std::tan(declination) * std::cos(phi));
    double azimuth = fromSouth / kRadians + 180.0;
    if (azimuth >= 360.0) {
        azimuth -= 360.0;
    }
    position.azimuth = azimuth;
    return position;
}

Vector3D direction(const SunPosition& position) {
    const double a = position.azimuth * kRadians;
    const double e = position.elevation * kRadians;
    return Vector3D(std::cos(e) * std::sin(a), std::cos(e) * std::cos(a), std::sin(e));
}

} // namespace sun
