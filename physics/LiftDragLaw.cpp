#include "physics/LiftDragLaw.h"

#include <cmath>

SurfaceForce liftAndDrag(const Vector3D& velocity, const Vector3D& upNormal, const Vector3D& spanAxis, double area,
                         double density, const LiftDragCoefficients& k) {
    SurfaceForce result;
    const double speedSquared = velocity.squaredLength();
    if (!(speedSquared > 0.0)) {
        return result; // still air on a still surface
    }
    const double speed = std::sqrt(speedSquared);
    const Vector3D along = velocity * (1.0 / speed);

    // The flow across the leading edge; the part along it slides past.
    const Vector3D across = velocity - spanAxis * velocity.dot(spanAxis);
    const double normalSpeed = -across.dot(upNormal); // into the lower side: positive angle
    const Vector3D inPlane = across + upNormal * normalSpeed;
    const double alpha = std::atan2(normalSpeed, inPlane.length());

    // Attached flow: the reduced lift slope from the zero-lift angle, with the
    // induced drag of that lift. Separated: a flat plate's normal force.
    const double attached = 1.0 / (1.0 + std::exp((std::fabs(alpha) - k.stallAngle) / k.stallWidth));
    const double attachedLift = k.liftSlope * (alpha - k.zeroLiftAngle);
    const double sinAlpha = std::sin(alpha);
    const double plateLift = 2.0 * sinAlpha * std::cos(alpha);
    const double plateDrag = 2.0 * sinAlpha * sinAlpha;
    const double lift = attached * attachedLift + (1.0 - attached) * plateLift;

    const double crossQ = 0.5 * density * across.squaredLength() * area;
    const double fullQ = 0.5 * density * speedSquared * area;
    // Induced drag follows the lift coefficient the whole flow sees: the
    // lift over the full dynamic pressure.
    const double attachedLiftForce = crossQ * attached * attachedLift;
    const double induced = k.inducedDragFactor * attachedLiftForce * attachedLiftForce / fullQ;

    // Lift's direction: the normal less its part along the flow.
    Vector3D liftDirection = upNormal - along * upNormal.dot(along);
    const double liftNorm = liftDirection.length();
    Vector3D force = along * (-(fullQ * k.profileDrag + induced + crossQ * (1.0 - attached) * plateDrag));
    if (liftNorm > 1e-12) {
        force += liftDirection * (crossQ * lift / liftNorm);
    }
    result.force = force;
    result.attached = attached;
    return result;
}
