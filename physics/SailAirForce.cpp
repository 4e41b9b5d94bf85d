#include "physics/SailAirForce.h"

#include <cmath>

#include "physics/ParticleSystem.h"

SailAirForce::SailAirForce(const LiftDragCoefficients& sail_, const LiftDragCoefficients& fin_)
    : sail(sail_), fin(fin_) {}

void SailAirForce::prepare(ParticleSystem&) {
    indexed.clear();
    indexed.reserve(panels.size());
    for (const SailPanel& p : panels) {
        const auto at = [](const Particle* q) { return q != nullptr ? q->index : -1; };
        indexed.push_back(Indexed{p.p0->index, p.p1->index, p.p2->index, at(p.leadingEdge), at(p.trailingEdge),
                                  at(p.spanFrom), at(p.spanTo)});
    }
}

void SailAirForce::addForces(ParticleSystem& world) {
    const double now = world.simulatedTime();
    const double density = world.density();
    const double perStep = 1.0 / world.timeStepSeconds();
    const Vector3D* previous = world.workingPositions();
    Vector3D* forces = world.forceAccumulators();
    const AirField& air = world.airField();
    const auto position = [&world](int i) -> const Vector3D& { return world.particleAt(i).position; };

    // (unit: rad) the warp at the tips: the weight's offset from the keel
    // beyond what the sail's tension holds, measured across the span from
    // one tip towards the other.
    double tipWarp = 0.0;
    if (billow.pilot != nullptr && billow.twistPerMetre != 0.0) {
        Vector3D across = billow.toTip->position - billow.fromTip->position;
        across.normalize();
        const double offset = (billow.pilot->position - billow.hub->position).dot(across);
        const double pull = std::fmax(std::fabs(offset) - billow.tension, 0.0);
        const double wanted = billow.twistPerMetre * std::copysign(pull, offset);
        const double follow = billow.settling > 0.0 ? std::fmin(world.timeStepSeconds() / billow.settling, 1.0) : 1.0;
        keelWarp += (wanted - keelWarp) * follow;
        tipWarp = keelWarp;
    }
    // Only the keel's warp slackens the cloth; the tips' own twist under
    // load turns their sections to the air without loosening the sail.
    const double slackWarp = tipWarp;
    if (billow.toTip != nullptr && billow.loadTwist != 0.0) {
        const auto airSpeedSquared = [&](const Particle* p) {
            const int i = p->index;
            return ((p->position - previous[i]) * perStep - air.velocityAt(p->position, now)).squaredLength();
        };
        const double to = airSpeedSquared(billow.toTip);
        const double from = airSpeedSquared(billow.fromTip);
        if (to + from > 0.0) {
            tipWarp += billow.loadTwist * (to - from) / (to + from);
        }
    }

    // (unit: 1/s) how fast the keel's direction, front to back, changes.
    const bool turning = keel.front != nullptr && keel.camberPerRate != 0.0;
    Vector3D keelTurn(0.0, 0.0, 0.0);
    if (turning) {
        Vector3D now = position(keel.back->index) - position(keel.front->index);
        Vector3D then = previous[keel.back->index] - previous[keel.front->index];
        now.normalize();
        then.normalize();
        keelTurn = (now - then) * perStep;
    }

    for (std::size_t t = 0; t < panels.size(); ++t) {
        const Indexed& k = indexed[t];
        const Vector3D& a = position(k.p0);
        const Vector3D& b = position(k.p1);
        const Vector3D& c = position(k.p2);
        const Vector3D facet = (c - a).cross(b - a);
        const double twiceArea = facet.length();
        if (!(twiceArea > 0.0)) {
            continue; // collapsed: no surface to push on
        }
        const SailPanel& panel = panels[t];
        Vector3D up = facet * (1.0 / twiceArea);
        Vector3D span(0.0, 0.0, 0.0);
        if (k.leadingEdge >= 0) {
            span = position(k.spanTo) - position(k.spanFrom);
            span.normalize();
            Vector3D section = span.cross(position(k.trailingEdge) - position(k.leadingEdge)) * panel.upSign;
            section.normalize();
            if (section.squaredLength() > 0.0) {
                up = section;
            }
            if (!panel.swept) {
                span = Vector3D(0.0, 0.0, 0.0);
            }
        }
        const Vector3D velocity =
            (((a - previous[k.p0]) + (b - previous[k.p1])) + (c - previous[k.p2])) * (perStep / 3.0);
        const Vector3D centroid = ((a + b) + c) * (1.0 / 3.0);
        const Vector3D relative = velocity - air.velocityAt(centroid, now);
        const double speed = relative.length();
        if (!(speed > 0.0)) {
            continue; // at rest in the air: no force
        }
        LiftDragCoefficients law = panel.fin ? fin : sail;
        // Towards the weight the section meets the air at a smaller angle,
        // as if its zero-lift angle rose; the slack cloth there drags.
        law.zeroLiftAngle += tipWarp * panel.warp;
        law.profileDrag += billow.dragPerRadian * std::fmax(slackWarp * panel.warp, 0.0);
        const SurfaceForce f = liftAndDrag(relative, up, span, 0.5 * twiceArea, density, law);
        // Attached lift is shifted towards the leading edge; the drag part of
        // the force stays with the panel's own area.
        const double load = f.attached * panel.attachedLoad + (1.0 - f.attached);
        const Vector3D along = relative * (1.0 / speed);
        const Vector3D dragPart = along * f.force.dot(along);
        Vector3D perCorner = (dragPart + (f.force - dragPart) * load) * (1.0 / 3.0);
        if (turning && panel.turningArm != 0.0) {
            // (unit: rad/s) the section's pitching, + nose up: the flow meets
            // its back part at a greater angle than its front. Spread along
            // the chord as the arm from mid-chord, with next to no net force and a
            // moment of ρ V c³ ∫(x - 1/2)² dx = ρ V c³ / 12 per unit span.
            // Separated flow has no camber to curve.
            const double pitching = -keelTurn.dot(up);
            perCorner += up * (4.0 * keel.camberPerRate * f.attached * density * speed * pitching * panel.turningArm *
                               0.5 * twiceArea);
        }
        forces[k.p0] += perCorner;
        forces[k.p1] += perCorner;
        forces[k.p2] += perCorner;
    }

    for (const BodyDrag& body : bodies) {
        const int i = body.particle->index;
        const Vector3D& p = position(i);
        const Vector3D relative = (p - previous[i]) * perStep - air.velocityAt(p, now);
        forces[i] -= relative * (0.5 * density * body.dragArea * relative.length());
    }
}
