#include "pilot/FlightTrack.h"

void FlightTrack::add(float x, float y) {
    points[static_cast<std::size_t>(next)] = Point{x, y};
    next = (next + 1) % kCapacity;
    if (count < kCapacity) {
        ++count;
    }
}
