#pragma once

#include <array>

#include "physics/Vector3D.h"

// What the instrument panel and the audible variometer show, derived from
// the pilot's state after every step.
class FlightInstruments {
public:
    // One step's worth of what the instruments sense.
    struct Reading {
        double time = 0.0;          // (unit: s) simulated
        Vector3D position;          // (unit: m) the pilot's
        Vector3D velocity;          // (unit: m/s) the pilot's, over the ground
        Vector3D air;               // (unit: m/s) the air's velocity at the pilot
        double terrainHeight = 0.0; // (unit: m) ground under the pilot
        double heading = 180.0;     // (unit: degrees clockwise from +y) where the nose points
    };

    static constexpr double kVarioSeconds = 0.6;   // (unit: s) the needle's lag, damping the frame's jitter
    static constexpr int kAverageSeconds = 20;     // (unit: s) window of the averaged climb and glide ratio

    // Forgets the history; `start` is the launch point altitudes refer to.
    void restart(const Vector3D& start, double time);
    // Takes in one step of `seconds` (the step length).
    void update(const Reading& reading, double seconds);

    double time() const { return now.time; }
    double airspeed() const { return (now.velocity - now.air).length(); }          // (unit: m/s)
    double groundSpeed() const;                                                   // (unit: m/s)
    double heightAboveStart() const { return now.position.z - start.z; }           // (unit: m)
    double heightAboveGround() const { return now.position.z - now.terrainHeight; } // (unit: m)
    double vario() const { return climb; }                                        // (unit: m/s)
    // (unit: m/s) mean climb over the last kAverageSeconds (less just after a restart).
    double averagedClimb() const;
    // Distance flown over height lost in the averaging window; 0 when not
    // descending (climbing or level flight has no finite glide ratio).
    double glideRatio() const;
    double heading() const { return now.heading; }
    const Vector3D& wind() const { return now.air; }
    const Vector3D& position() const { return now.position; }
    const Vector3D& startPosition() const { return start; }

private:
    Vector3D start;
    Reading now;
    double climb = 0.0;       // (unit: m/s) the damped variometer
    bool primed = false;      // whether climb has its first value
    // Positions at whole seconds, oldest overwritten: the averaging window.
    std::array<Vector3D, kAverageSeconds + 1> history{};
    std::array<double, kAverageSeconds + 1> historyTime{};
    int historyCount = 0;
    int historyNext = 0;
    double nextSample = 0.0; // (unit: s) when the next history entry is due
};
