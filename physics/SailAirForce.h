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
    // (unit: m) how far behind its section's mid-chord the panel sits: how
    // it shares the load a pitching keel adds, up behind and down ahead.
    double turningArm = 0.0;
    bool fin = false; // a vertical keel surface: the fin's own coefficients
    // Where the panel sits across the span, -1 at spanFrom's tip of a
    // billow shift to +1 at its other tip: how much of the sail's warp it takes.
    double warp = 0.0;
};

// The sail's billow shifted by the pilot's weight. The pilot hangs from the
// keel, which floats between the leading edges: moved sideways, the weight
// pulls the keel towards that side once its pull overcomes the sail's
// tension, so the cloth on that side slackens and billows (its trailing edge
// rises, it meets the air at a smaller angle and drags more) while the other
// side tightens and lifts more. A warp of the whole sail, growing towards the
// tips, that rolls the wing the way the weight went and, through the slack
// side's drag, yaws it that way too, so the nose follows the roll.
struct BillowShift {
    const Particle* pilot = nullptr;
    const Particle* hub = nullptr;
    const Particle* fromTip = nullptr; // warp -1
    const Particle* toTip = nullptr;   // warp +1
    // (unit: m) the weight's offset from the keel the sail's tension holds
    // without the keel moving: a small correction warps nothing.
    double tension = 0.0;
    // (unit: rad/m) the tips' change of angle per metre the weight is off
    // the keel beyond `tension`: less angle on the side it moved to.
    double twistPerMetre = 0.0;
    // Profile drag added on the slackened side per radian of its warp from
    // the weight (not from the tips' twist under load, below).
    double dragPerRadian = 0.0;
    // (unit: rad) The tips' own give under load: the faster tip, loaded
    // more, lifts its trailing edge and sheds some of its lift. The tips'
    // angle changes by this much per unit of (q_to - q_from) / (q_to + q_from),
    // the two tips' dynamic pressures; in a turn it holds back the outer
    // wing's extra lift that would steepen the bank. The cloth stays taut:
    // the twist turns the sections, it adds no drag of its own.
    double loadTwist = 0.0;
    // (unit: s) how long the cloth takes to follow the keel: the warp
    // reaches the weight's new place over about this time, not at once.
    double settling = 0.0;
};

// The keel, from its front to its back, whose pitching the sail's sections
// follow. A section turning nose up meets a curved flow, as if more cambered
// towards its trailing edge: its attached load moves aft, a moment against
// the turning of camberPerRate ρ V c³ per unit span and rad/s (thin-aerofoil
// theory: π/16 at a lift slope of 2π), with next to no net force. A load held at the
// quarter chord leaves this moment out; the lift a turning section gains
// stays with the panels' own angles of attack.
struct KeelTurning {
    const Particle* front = nullptr;
    const Particle* back = nullptr;
    double camberPerRate = 0.0;
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
    void setBillowShift(const BillowShift& shift) { billow = shift; }
    void setKeelTurning(const KeelTurning& turning) { keel = turning; }

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
    BillowShift billow;
    KeelTurning keel;
    double keelWarp = 0.0; // (unit: rad) the tips' warp from the weight, as the cloth has followed so far
    std::vector<Indexed> indexed; // the panels' particle indices, once prepared
};
