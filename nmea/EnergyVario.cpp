#include "nmea/EnergyVario.h"

namespace nmea {

namespace {
constexpr double kGravity = 9.80665; // (unit: m/s²)
}

double EnergyVario::update(double time, double altitude, double airspeed) {
    const double energyHeight = altitude + airspeed * airspeed / (2.0 * kGravity);
    if (havePrevious && time > lastTime) {
        const double dt = time - lastTime;
        const double rate = (energyHeight - lastEnergyHeight) / dt;
        const double weight = dt / (kSmoothing + dt);
        value += (rate - value) * weight;
    }
    havePrevious = true;
    lastTime = time;
    lastEnergyHeight = energyHeight;
    return value;
}

} // namespace nmea
