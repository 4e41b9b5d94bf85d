#include "glider/Glider.h"

#include <cmath>

void Glider::steer(double dx, double dy) {
    // The pilot's reference lives in construction coordinates, so the shift is
    // in the glider's own frame whatever its attitude; the relaxation then
    // draws the pilot towards it. Nothing bounds the shift.
    pilotRestPosition.x = pilotRestPosition.x + dx;
    pilotRestPosition.y = pilotRestPosition.y + dy;
    for (int k = 0; k < suspensionCount(); ++k) {
        world->constraintAt(suspensionConstraints[static_cast<std::size_t>(k)]).restLength =
            edgeRestPositions[static_cast<std::size_t>(k)].distanceTo(pilotRestPosition);
    }
}

void Glider::reset(const Vector3D& position) {
    // A pure translation that also stops every particle: shape, attitude and
    // the steering shift survive.
    const Vector3D shift = position - hub.position;
    world->translate(shift);
}

void Glider::shiftPilotTo(double dx, double dy) {
    pilotRestPosition.x = pilotBuiltPosition.x + dx;
    pilotRestPosition.y = pilotBuiltPosition.y + dy;
    steer(0.0, 0.0);
}

void Glider::fitHubLineToPilot() {
    world->constraintAt(hubLine).restLength = builtHub.distanceTo(pilotRestPosition);
}

void Glider::place(const Vector3D& position, double yaw) {
    const double c = std::cos(yaw);
    const double s = std::sin(yaw);
    for (int k = 0; k < wingParticleCount + 4; ++k) {
        const Vector3D r = builtPositions[static_cast<std::size_t>(k)] - builtHub;
        particleInOrder(k).position = position + Vector3D(c * r.x - s * r.y, s * r.x + c * r.y, r.z);
    }
}
