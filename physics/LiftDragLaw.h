#pragma once

#include "physics/Vector3D.h"

// The section behaviour of a lifting surface: how its lift and drag
// coefficients follow the angle of attack. A plain record of the wing's
// numbers; the surface's shape (area, normal, sweep) comes with each call.
struct LiftDragCoefficients {
    double liftSlope = 4.7;      // (unit: 1/rad) of the whole wing, already reduced for its aspect ratio
    double zeroLiftAngle = 0.0;  // (unit: rad) negative for a cambered section
    double stallAngle = 0.3;     // (unit: rad) where the flow separates
    double stallWidth = 0.04;    // (unit: rad) how gradually it does
    double profileDrag = 0.02;   // skin friction and form drag, at any angle
    double inducedDragFactor = 0.05; // 1 / (pi e A): induced drag per squared lift coefficient
};

// One surface's air force and how much of its flow is still attached.
struct SurfaceForce {
    Vector3D force;        // (unit: N)
    double attached = 1.0; // 1: attached flow, 0: fully stalled
};

// The force of the air on a flat surface of `area` (m²) moving at `velocity`
// (m/s, relative to the air), `upNormal` its unit normal on the side the
// lift of a positive angle of attack points to. `spanAxis` is a unit vector
// along the surface's leading edge, or zero: only the flow across it counts
// for lift and induced drag (a swept wing feels the flow normal to its
// leading edge). Lift is perpendicular to the velocity, in the plane of the
// velocity and the normal; drag is along it. Both scale with the density
// (kg/m³) and the squared speed.
SurfaceForce liftAndDrag(const Vector3D& velocity, const Vector3D& upNormal, const Vector3D& spanAxis, double area,
                         double density, const LiftDragCoefficients& coefficients);
