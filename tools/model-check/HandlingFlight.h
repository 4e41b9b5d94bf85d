#pragma once

#include <array>

#include "scene/StartScene.h"

// A realistic glider over flat ground, flown in looks of 0.1 s, with the two
// banks a pilot reads: the wing's own (the tips' line against the horizon)
// and the ground track's, tan(bank) = V ψ̇ / g with the turn rate taken over
// the last second, the way a GPS log is read.
class HandlingFlight {
public:
    static constexpr double kLook = 0.1; // (unit: s)

    explicit HandlingFlight(double altitude = 600.0, double headingDegrees = 180.0, double x = 0.0, double y = 0.0);

    // Flies one look with the bar where it is.
    void look();
    void fly(double seconds);

    double time() const { return looks * kLook; } // (unit: s) since the first look
    double wingBank() const;                       // (unit: degrees) + right wing down
    double trackBank() const;                      // (unit: degrees) + turning right
    double track() const;                          // (unit: degrees) clockwise from +y
    double speed() const;                          // (unit: m/s) the pilot's, through still air
    double height() const;                         // (unit: m) the pilot's
    bool upright() const;

    start::Flight flight;

private:
    static constexpr int kWindow = 10; // looks in the track's turn-rate window: 1 s
    std::array<double, kWindow + 1> tracks{};
    long long looks = 0;
};

// A pilot's hands holding a bank (and, when asked, a speed) through the bar,
// as ModelCheck's own pilot does: proportional, against the roll rate, plus
// the high side a steady bank needs, learned near the bank wanted; the
// speed likewise, with the push a steady speed needs learned as it goes.
struct BankHold {
    double bank = 0.0;  // (unit: degrees) wanted
    double speed = 0.0; // (unit: m/s) held by fore-aft when > 0
    double held = 0.0;
    double heldFore = 0.0; // the bar's fore-aft a steady speed needs, learned
    double lastBank = 0.0;

    void fly(HandlingFlight& f, double seconds);
};
