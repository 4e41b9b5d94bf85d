#pragma once

#include "physics/Vector3D.h"

// The numbers a glider is built from: the wing's planform and pitch, the mast,
// where the pilot hangs and what everything weighs. A plain record, so one
// topology serves gliders of different proportions.
struct GliderShape {
    double span = 5.5;           // (unit: metres) base row, tip to tip
    double chord = 3.0;          // (unit: metres) apex to base row
    int subdivisions = 8;        // wing rows below the apex
    double wingMass = 15.0;      // (unit: kilograms) shared by the wing particles
    double frameMass = 1.0 / 3.0; // (unit: kilograms) each of the three mast particles
    double pilotMass = 45.0;     // (unit: kilograms)
    // The wing plane falls by this much in z per unit of y from apex to base,
    // so it meets the air nose up.
    double wingDrop = 0.2;
    // The mast ends lie this fraction of the span above and below the hub.
    double mastFraction = 0.2;
    Vector3D pilotOffset{0.0, 0.2, -0.4}; // (unit: metres) from the hub
    // The tips' trailing edge raised by this much per metre of local chord at
    // the tips, growing linearly from the keel: tips twisted nose down.
    double washout = 0.0;
    // The share of wingMass carried by the two leading-edge tubes' particles,
    // the rest spread over the others; 0: every wing particle weighs the
    // same. A real wing's tubes outweigh its sail several times over, and
    // a sail that carries the wing's mass on its cloth rocks against the
    // frame at speed.
    double edgeMassShare = 0.0;
};
