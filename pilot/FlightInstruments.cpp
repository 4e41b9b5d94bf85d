#include "pilot/FlightInstruments.h"

#include <cmath>

void FlightInstruments::restart(const Vector3D& startPosition, double time) {
    start = startPosition;
    now = Reading();
    now.position = startPosition;
    now.time = time;
    climb = 0.0;
    primed = false;
    historyCount = 0;
    historyNext = 0;
    nextSample = time;
}

void FlightInstruments::update(const Reading& reading, double seconds) {
    now = reading;
    if (!primed) {
        climb = reading.velocity.z;
        primed = true;
    } else if (seconds > 0.0) {
        // First-order lag: the exact discrete form, so the needle settles the
        // same whatever the step.
        const double blend = 1.0 - std::exp(-seconds / kVarioSeconds);
        climb += (reading.velocity.z - climb) * blend;
    }
    // Half a step's slack: simulated times are sums of steps and land a
    // rounding away from the whole second.
    if (reading.time + 0.5 * seconds >= nextSample) {
        history[static_cast<std::size_t>(historyNext)] = reading.position;
        historyTime[static_cast<std::size_t>(historyNext)] = reading.time;
        historyNext = (historyNext + 1) % static_cast<int>(history.size());
        if (historyCount < static_cast<int>(history.size())) {
            ++historyCount;
        }
        nextSample += 1.0;
    }
}

double FlightInstruments::groundSpeed() const { return std::hypot(now.velocity.x, now.velocity.y); }

double FlightInstruments::averagedClimb() const {
    if (historyCount < 2) {
        return climb;
    }
    const int size = static_cast<int>(history.size());
    const int oldest = (historyNext - historyCount + size) % size;
    const int newest = (historyNext - 1 + size) % size;
    const double span = historyTime[static_cast<std::size_t>(newest)] - historyTime[static_cast<std::size_t>(oldest)];
    if (!(span > 0.0)) {
        return climb;
    }
    return (history[static_cast<std::size_t>(newest)].z - history[static_cast<std::size_t>(oldest)].z) / span;
}

double FlightInstruments::glideRatio() const {
    if (historyCount < 2) {
        return 0.0;
    }
    const int size = static_cast<int>(history.size());
    const Vector3D& oldest = history[static_cast<std::size_t>((historyNext - historyCount + size) % size)];
    const Vector3D& newest = history[static_cast<std::size_t>((historyNext - 1 + size) % size)];
    const double lost = oldest.z - newest.z;
    if (!(lost > 1e-3)) {
        return 0.0;
    }
    // Along the ground track sampled each second, not the straight line, so
    // circling in a thermal does not read as a poor glide.
    double distance = 0.0;
    for (int k = 1; k < historyCount; ++k) {
        const Vector3D& a = history[static_cast<std::size_t>((historyNext - historyCount + k - 1 + size) % size)];
        const Vector3D& b = history[static_cast<std::size_t>((historyNext - historyCount + k + size) % size)];
        distance += std::hypot(b.x - a.x, b.y - a.y);
    }
    return distance / lost;
}
