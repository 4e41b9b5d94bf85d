#pragma once

#include <string>

// What the simple pilot is asked to fly, as written on a command line or in
// a scenario: "heading:DEG", "circle:X,Y,BANK", "line:X1,Y1,X2,Y2" or
// "soar" / "soar:BANK" (fly on until the variometer finds lift, then circle
// where the lift felt is strongest, right-hand for a positive bank) or
// "task" (the flight's task, flown by the task pilot).
struct PilotPlan {
    enum class Mode { None, Heading, Circle, Line, Soar, Task };
    Mode mode = Mode::None;
    // Heading: a ground-track heading in degrees clockwise from +y (north).
    double heading = 0.0; // (unit: degrees)
    // Circle: the centre and the bank, positive for right-hand (clockwise
    // seen from above) circles, negative for left-hand ones.
    double centreX = 0.0; // (unit: m)
    double centreY = 0.0; // (unit: m)
    double bank = 0.0;    // (unit: degrees) circling, and soaring's thermalling bank
    // Line: back and forth between the two points.
    double x1 = 0.0; // (unit: m)
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
};

// The banks a person flies in a thermal or a turn, at most.
constexpr double kMaxPilotBank = 60.0; // (unit: degrees)
// The bank a soaring pilot circles a thermal at when not told another.
constexpr double kSoarBank = 20.0; // (unit: degrees)
// The furthest a target may lie from the origin: as far as a scenario's
// start or thermals may. And a heading, like a scenario's start heading,
// within one turn either way.
constexpr double kMaxPilotDistance = 1.0e6; // (unit: m)
constexpr double kMaxPilotHeading = 360.0;  // (unit: degrees)

// Reads `text` into `plan`; on failure returns a short reason (without the
// option's or key's name) and leaves `plan` as it was.
std::string readPilotPlan(const std::string& text, PilotPlan& plan);
