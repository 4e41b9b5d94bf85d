#pragma once

// One thermal as a person describes it: where it stands when the flight
// starts, how hard its core rises and how wide it is, both at the height
// where the layer's thermals are strongest (near a quarter of its depth).
// Lower and higher the thermal is narrower or wider and weaker, as the
// updraft profile says.
struct Thermal {
    double x = 0.0;       // (unit: m) centre at time 0
    double y = 0.0;       // (unit: m)
    double updraft = 3.0; // (unit: m/s) at the centre
    double radius = 100.0; // (unit: m) outer radius, where it fades into the surrounding sink
};
