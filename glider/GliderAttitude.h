#pragma once

class Glider;

// How the wing lies in the air, from three of its points: the apex (the
// wing's first particle) and the two tips of the base row. The keel runs
// from the middle of the tips to the apex; the span from the right tip
// (the base row's first particle, built at -x with the apex towards -y) to
// the left one.
struct GliderAttitude {
    double bank = 0.0;    // (unit: degrees) positive with the right wing down
    double pitch = 0.0;   // (unit: degrees) the keel's, positive nose up
    double heading = 0.0; // (unit: degrees) where the keel points, clockwise from +y (north), in [0, 360)
    bool upright = true;  // the wing's top faces the sky
};

GliderAttitude attitudeOf(const Glider& glider);
