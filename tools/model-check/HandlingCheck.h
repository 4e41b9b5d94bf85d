#pragma once

#include "autopilot/PilotPlan.h"

// The handling figures of the realistic glider, each printed beside its
// published range (met or MISSED); the measurements apart, for the tests
// and the validation page.

// (unit: s) until 30 degrees of bank (or the reversal's 20 the other way),
// as the wing shows it and as the ground track does.
struct RollFigures {
    double wing = 0.0;
    double track = 0.0;
};
// `side` +1: to the right, -1: to the left.
RollFigures measureRollIn(double side);
RollFigures measureReversal(double side);

// A roll-in of `hold` seconds at full shift, then the bar centred.
struct ShortRollIn {
    double meanBank = 0.0; // (unit: degrees) over 20 s, 10 s after centring
    double steepest = 0.0; // (unit: degrees)
    double fullTurn = 0.0; // (unit: s) per 360
};
ShortRollIn measureShortRollIn(double hold, double side);

struct SpeedFigures {
    double trim = 0.0;          // (unit: m/s) hands off
    double top = 0.0;           // (unit: m/s) fully pulled in
    bool topStraight = true;
    double bestGlide = 0.0;
    double bestGlideSpeed = 0.0; // (unit: m/s)
    double minSink = 0.0;        // (unit: m/s)
    double minSinkSpeed = 0.0;   // (unit: m/s)
    double sinkAt[3] = {-1.0, -1.0, -1.0}; // (unit: m/s) at 60, 70, 80 km/h; -1: outside the polar
};
SpeedFigures measureSpeeds();

// (unit: m/s) the mean climb between `from` and `to` seconds of the simple
// pilot flying `plan` from (x, y, altitude) on `heading`, in a 3 m/s thermal
// of 100 m radius over the origin, still air around it.
double climbInThermal(const PilotPlan& plan, double x, double y, double altitude, double heading, double from,
                      double to);

void checkRollResponse();
void checkSpeeds();
void checkSteepTurn();
void checkThermalling();
