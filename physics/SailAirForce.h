#pragma once

#include <vector>

#include "physics/AirForceLaw.h"
#include "physics/LiftDragLaw.h"
#include "physics/Vector3D.h"

struct Particle;

// A lifting surface of the sail, by its three corner particles.
struct SailPanel {
    const Particle* p0 = nullptr;
    const Particle* p1 = nullptr;
    const Particle* p2 = nullptr;
    // The section it belongs to: its chord runs from leadingEdge to
    // trailingEdge, its span along spanFrom to spanTo, and the section's
    // angle of attack is the panel's. A billowed cloth is curved between its
    // tubes; the air meets the section, not each facet of the cloth. Null
    // leadingEdge: the panel's own plane is its section (a flat fin).
    const Particle* leadingEdge = nullptr;
    const Particle* trailingEdge = nullptr;
    const Particle* spanFrom = nullptr;
    const Particle* spanTo = nullptr;
    // +1 or -1: which way span x chord points to the section's upper side.
    double upSign = 1.0;
    // True: the span runs along a swept leading edge, and the flow along it
    // slides past without lifting.
    bool swept = false;
    // The share of the lift it carries in attached flow, relative to the
    // wing's mean: above 1 near the leading edge, below 1 towards the
    // trailing edge, so the lift acts near the quarter chord. Separated flow
    // loads the chord evenly.
    double attachedLoad = 1.0;
    bool fin = false; // a vertical keel surface: the fin's own coefficients
};

// Drag of a bluff body carried by one particle: the pilot, the frame.
struct BodyDrag {
    const Particle* particle = nullptr;
    double dragArea = 0.0; // (unit: m²) drag coefficient times frontal area
};

// The air on a sail: each panel gets lift perpendicular to its relative air
// and drag along it from its section's angle of attack, a third on each corner, the
// lift shared along the chord so it acts near the quarter chord; each body
// gets a quadratic drag. The air's velocity is asked of the world's field at
// each panel's centroid and each body's place, at the world's time.
class SailAirForce final : public AirForceLaw {
public:
    SailAirForce(const LiftDragCoefficients& sail, const LiftDragCoefficients& fin);

    void addPanel(const SailPanel& panel) { panels.push_back(panel); }
    void addBody(const BodyDrag& body) { bodies.push_back(body); }

    void prepare(ParticleSystem& world) override;
    void addForces(ParticleSystem& world) override;

    int panelCount() const { return static_cast<int>(panels.size()); }

private:
    struct Indexed {
        int p0, p1, p2, leadingEdge, trailingEdge, spanFrom, spanTo;
    };
    LiftDragCoefficients sail;
    LiftDragCoefficients fin;
    std::vector<SailPanel> panels;
    std::vector<BodyDrag> bodies;
    std::vector<Indexed> indexed; // the panels' particle indices, once prepared
};
