#pragma once

#include <cstdint>

#include "physics/Vector3D.h"

// How a day's thermals live: each is born where the ground heats, rises to
// strength, holds and decays, and the air over its site rests before the
// next one is triggered nearby. Lifetimes, strengths, delays and trigger
// points come from a seed, so the same seed gives the same day, bit for bit.
struct ThermalLifecycle {
    static constexpr double kMinLifetime = 60.0;    // (unit: s)
    static constexpr double kMaxLifetime = 14400.0; // (unit: s)
    static constexpr double kMaxSpread = 0.4;

    // Off: the thermals stand for ever at full strength (the static field).
    bool living = false;
    std::uint64_t seed = 1;
    double lifetime = 900.0;       // (unit: s) the typical span from birth to death
    double spread = 0.3;           // lifetimes and strengths spread over ±spread of their typical value
    double triggerRadius = 400.0;  // (unit: m) how far from its site a new thermal may be triggered
    double waterLevel = -1.0e9;    // (unit: m) ground at or below it is water and never triggers
    Vector3D sun{0.0, 0.0, 1.0};   // towards the sun, unit; below the horizon nothing heats
};

namespace lifecycle {

// Fractions of a thermal's life spent rising to strength and decaying; it
// holds in between.
constexpr double kRisingShare = 0.25;
constexpr double kDecayingShare = 0.30;
// A site's cycle (one life and the rest after it) is this many typical
// lifetimes long. A life's strength averages 1 - (rising + decaying) / 2 of
// its peak; with two staggered lives a site thus holds on average
// 2 × 0.725 / 1.45 = 1 thermal at full strength, the static field's one.
constexpr double kCycleLifetimes = 1.45;
constexpr int kLivesPerSite = 2;

// 0 before birth and after death, rising smoothly to 1, holding, falling
// smoothly back: a thermal `age` seconds old in a life `life` seconds long.
double strengthAt(double age, double life);

} // namespace lifecycle
