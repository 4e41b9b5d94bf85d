#pragma once

#include <vector>

// The ground track for the map: the pilot's position once a second, the
// oldest forgotten when full. Storage is reserved once.
class FlightTrack {
public:
    static constexpr int kCapacity = 7200; // two hours of flight

    FlightTrack() : points(kCapacity) {}
    void clear() { count = next = 0; }
    void add(float x, float y);
    int size() const { return count; }
    // Oldest first.
    float xAt(int i) const { return points[slot(i)].x; }
    float yAt(int i) const { return points[slot(i)].y; }

private:
    struct Point {
        float x = 0.0f; // (unit: m)
        float y = 0.0f; // (unit: m)
    };
    std::size_t slot(int i) const { return static_cast<std::size_t>((next - count + i + kCapacity) % kCapacity); }

    std::vector<Point> points;
    int count = 0;
    int next = 0;
};
