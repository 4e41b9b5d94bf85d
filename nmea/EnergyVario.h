#pragma once

// A total-energy variometer, as the instruments feeding a flight computer
// have: the rate of change of the height plus the airspeed's height
// (v² / 2g), so a pull-up that trades speed for height reads no climb,
// smoothed over about a second as a vario's needle is.
namespace nmea {

class EnergyVario {
public:
    static constexpr double kSmoothing = 1.0; // (unit: s)

    // Reads the glider at `time` (s): altitude (m) and airspeed (m/s).
    // Returns the vario's reading (m/s). Allocates nothing.
    double update(double time, double altitude, double airspeed);
    double reading() const { return value; }
    // The glider was put somewhere else: the next reading starts afresh.
    void restart() { havePrevious = false; }

private:
    bool havePrevious = false;
    double lastTime = 0.0;
    double lastEnergyHeight = 0.0;
    double value = 0.0;
};

} // namespace nmea
