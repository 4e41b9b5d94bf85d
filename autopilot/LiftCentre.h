#pragma once

// Where the lift is, from what the pilot felt where: each look adds the
// place it was made, weighted by how much better than still air the
// variometer read there, and older looks fade, so the estimate follows the
// strongest lift of the last turn or two. The pilot's own sense of a
// thermal's core, not the thermal's position.
class LiftCentre {
public:
    // `stillAirSink` (m/s, positive): what the variometer reads with no lift;
    // `memory` (s): how long a look counts, about.
    LiftCentre(double stillAirSink, double memory);

    // A look `seconds` after the previous one at (x, y) (m) with the
    // variometer reading `climb` (m/s, + up).
    void feel(double x, double y, double climb, double seconds);

    // True once some lift has been felt.
    bool found() const { return weight > 0.0; }
    double x() const { return found() ? sumX / weight : 0.0; } // (unit: m)
    double y() const { return found() ? sumY / weight : 0.0; } // (unit: m)
    void forget() { weight = sumX = sumY = 0.0; }

private:
    double stillAirSink;
    double memory;
    double weight = 0.0;
    double sumX = 0.0;
    double sumY = 0.0;
};
