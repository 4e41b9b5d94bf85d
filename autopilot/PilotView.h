#pragma once

#include "physics/Vector3D.h"

class Glider;
class ParticleSystem;

// What a pilot sees and feels at one moment: where the glider is, where it
// goes over the ground and how far the wing is banked.
struct PilotView {
    Vector3D position;     // (unit: m) the pilot's
    Vector3D velocity;     // (unit: m/s) over the ground
    double track = 0.0;    // (unit: degrees) ground-track heading, clockwise from +y, in [0, 360)
    double bank = 0.0;     // (unit: degrees) positive with the right wing down
    double groundSpeed = 0.0; // (unit: m/s) horizontal
    double airspeed = 0.0;    // (unit: m/s) through the air, as the pilot feels it on the face
    // Where the pilot's weight is, in presses towards the right of the centre
    // (negative: left), and how many presses the control frame allows each way.
    int barPresses = 0;
    int barLimit = 25;
    // The same fore and aft: presses towards the nose (faster), negative
    // pushed out (slower).
    int forePresses = 0;
    int foreLimit = 25;
};

PilotView observe(const Glider& glider, const ParticleSystem& world);

// The signed difference a - b of two headings, in (-180, 180].
double headingDifference(double a, double b); // (unit: degrees)
