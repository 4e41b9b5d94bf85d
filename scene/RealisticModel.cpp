#include "scene/RealisticModel.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/MassWeightedSolver.h"
#include "physics/SailAirForce.h"
#include "scene/StartScene.h"
#include "physics/SharedConstants.h"

namespace start {

namespace {


// The sail: a cambered, washed-out delta of aspect ratio 7 with 30 degrees of
// leading-edge sweep. Slope and stall are those of the flow across the
// leading edge, whose angle is steeper than the flight path's: a swept
// billowed sail stalls late and softly.
LiftDragCoefficients sailCoefficients() {
    LiftDragCoefficients k;
    k.liftSlope = 4.8;
    k.zeroLiftAngle = -5.0 * kPi / 180.0;
    k.stallAngle = 27.0 * kPi / 180.0;
    k.stallWidth = 2.5 * kPi / 180.0;
    k.profileDrag = 0.021;
    k.inducedDragFactor = 1.0 / (kPi * 0.9 * 6.93);
    return k;
}

// The keel pocket: a small flat vertical surface behind the hub. The panel
// spans hub, rear keel and frame bottom; its coefficients carry the ratio of
// the real pocket's area to that triangle's.
LiftDragCoefficients keelPocketCoefficients() {
    LiftDragCoefficients k;
    k.liftSlope = 3.0 * 0.15;
    k.zeroLiftAngle = 0.0;
    k.stallAngle = 20.0 * kPi / 180.0;
    k.stallWidth = 3.0 * kPi / 180.0;
    k.profileDrag = 0.0;
    k.inducedDragFactor = 0.0;
    return k;
}

// Lift concentrated towards the leading edge: a load falling linearly along
// the chord, 1 + 3 (1/2 - x) for x from 0 (leading edge) to 1, puts the
// centre of pressure at the quarter chord.
double chordLoad(double x) { return 1.0 + 3.0 * (0.5 - x); }

// The sail's cloth gives a little under load; the tubes, wires and lines
// barely stretch. (Cloth stretched onto the frame in tension buckles the
// frame sideways: a glider that cannot fly straight.)
constexpr double kClothCompliance = 2.0e-6; // (unit: m/N)
constexpr double kFrameCompliance = 1.0e-7; // (unit: m/N)

// (unit: m) the weight shift the sail's tension holds the keel against.
constexpr double kSailTension = 0.06;
// (unit: rad/m) the sail's warp at the tips per metre of weight shift beyond it.
constexpr double kBillowShift = 0.3;
// Profile drag per radian of warp on the slackened side. While the weight
// goes across, the slack side's drag swings the nose after the roll, against
// the rising wing's adverse yaw; weaker, the wing rolls in sliding sideways,
// and the slip rolls it back level once the bar is centred.
constexpr double kBillowDrag = 4.0;
// (unit: rad) the tips' twist per unit of their dynamic pressures' asymmetry:
// in a steep turn the outer tip, faster, twists off a few degrees, so a bank
// given and centred is kept, neither rolled out of nor steepened.
constexpr double kTipLoadTwist = 0.15;
// (unit: s) how long the cloth takes to follow the keel.
constexpr double kSailSettling = 0.3;

// The moment against the keel's pitching, per ρ V c³ and rad/s. A rigid
// section in thin-aerofoil theory has π/16, 0.15 at the sail's lift slope;
// the cloth between the tubes gives, and the sail takes 0.06: enough to damp
// the speed's swing after a pitch input within a few cycles without leaving
// the polar's band. (0.15 damps it faster still but draws the polar's best
// glide down to 40 km/h.)
constexpr double kCamberPerRate = 0.06;

constexpr double kPilotDragArea = 0.14;      // (unit: m²) prone pilot in a pod harness
constexpr double kControlFrameDragArea = 0.05; // (unit: m²) base bar and downtubes
constexpr double kKingPostDragArea = 0.03;     // (unit: m²) king post and top wires

} // namespace

std::unique_ptr<ParticleSystem> makeRealisticWorld(int iterations) {
    MassWeightedSolver::Settings settings;
    settings.maxIterations = iterations;
    // The sail's slow, smooth modes (the whole membrane stretched under its
    // load, the pilot's weight carried out to the tips) converge at about
    // this rate per pass; accelerated, 20 passes hold the structure to a few
    // millimetres in the roughest flying.
    settings.spectralRadius = 0.97;
    settings.accelerationDelay = 5;
    return std::make_unique<ParticleSystem>(kGravity, kStepsPerSecond,
                                            std::make_unique<SailAirForce>(sailCoefficients(), keelPocketCoefficients()),
                                            std::make_unique<MassWeightedSolver>(settings));
}

bool setSolverIterations(ParticleSystem& world, int iterations) {
    auto* solver = dynamic_cast<MassWeightedSolver*>(&world.constraintSolver());
    if (solver == nullptr) {
        return false;
    }
    solver->setMaxIterations(iterations);
    return true;
}

void fitRealisticParts(const Glider& glider, ParticleSystem& world) {
    auto& air = dynamic_cast<SailAirForce&>(world.airForceLaw());
    auto& solver = dynamic_cast<MassWeightedSolver&>(world.constraintSolver());
    const int n = glider.subdivisionCount();
    const Particle& apex = glider.wingParticle(0);
    const Particle& firstTip = glider.wingParticle(Glider::rowStart(n));
    const Particle& lastTip = glider.wingParticle(Glider::rowStart(n) + n);
    const Particle& rearKeel = glider.wingParticle(n % 2 == 0 ? n * (n + 2) / 2 : Glider::rowStart(n));

    // The glider's own axes, from its built pose wherever it was placed.
    const Vector3D baseCentre = (firstTip.position + lastTip.position) * 0.5;
    Vector3D keel = baseCentre - apex.position;
    const double chord = keel.length();
    keel = keel * (1.0 / chord);
    Vector3D across = lastTip.position - firstTip.position;
    const double span = across.length();
    across = across * (1.0 / span);

    // Each panel's place along its local chord, and the mean load to share out.
    struct Placed {
        SailPanel panel;
        double area;
        double load;
    };
    std::vector<Placed> placed;
    double areaSum = 0.0;
    double loadSum = 0.0;
    for (int t = 0; t < world.triangleCount(); ++t) {
        const WingTriangle& tri = world.triangleAt(t);
        SailPanel panel;
        // The glider's triangles wind clockwise seen from above, so
        // (p2 - p0) x (p1 - p0) points up.
        panel.p0 = tri.p0;
        panel.p1 = tri.p1;
        panel.p2 = tri.p2;
        const Vector3D centroid = ((tri.p0->position + tri.p1->position) + tri.p2->position) * (1.0 / 3.0);
        const double v = (centroid - apex.position).dot(keel) / chord;       // 0 apex .. 1 base
        const double u = (centroid - apex.position).dot(across) / span;      // -1/2 first tip .. 1/2 last tip
        const double outboard = std::fabs(2.0 * u);
        const double localChord = 1.0 - outboard;
        const double x = localChord > 1e-9 ? std::fmin(std::fmax((v - outboard) / localChord, 0.0), 1.0) : 0.5;
        // The section through the panel: its leading edge on the tube of its
        // side, its trailing edge on the base row at the same span station.
        // Counted from the keel outwards, the same on both sides.
        const int fromKeel = std::clamp(static_cast<int>(std::lround(std::fabs(u) * n)), 0, n / 2 - 1);
        const int edgeRow = std::min(static_cast<int>(std::lround(outboard * n)), n - 1);
        const int basePlace = u < 0.0 ? n / 2 - fromKeel : (n + 1) / 2 + fromKeel;
        panel.spanFrom = &apex;
        if (u < -1e-9) {
            panel.leadingEdge = &glider.wingParticle(Glider::rowStart(edgeRow));
            panel.spanTo = &firstTip;
            panel.swept = true;
        } else if (u > 1e-9) {
            panel.leadingEdge = &glider.wingParticle(Glider::rowStart(edgeRow) + edgeRow);
            panel.spanTo = &lastTip;
            panel.swept = true;
        } else {
            panel.leadingEdge = &apex;
            panel.spanFrom = &firstTip;
            panel.spanTo = &lastTip;
        }
        panel.trailingEdge = u < -1e-9 || u > 1e-9 ? &glider.wingParticle(Glider::rowStart(n) + basePlace) : &rearKeel;
        // The section's upper side is the facet's.
        const Vector3D sectionNormal = (panel.spanTo->position - panel.spanFrom->position)
                                           .cross(panel.trailingEdge->position - panel.leadingEdge->position);
        const Vector3D facetUp = (tri.p2->position - tri.p0->position).cross(tri.p1->position - tri.p0->position);
        panel.upSign = sectionNormal.dot(facetUp) >= 0.0 ? 1.0 : -1.0;
        panel.warp = 2.0 * u;
        panel.turningArm = (x - 0.5) * panel.trailingEdge->position.distanceTo(panel.leadingEdge->position);
        const double area = 0.5 * (tri.p1->position - tri.p0->position).cross(tri.p2->position - tri.p0->position).length();
        placed.push_back(Placed{panel, area, chordLoad(x)});
        areaSum += area;
        loadSum += area * chordLoad(x);
    }
    for (Placed& p : placed) {
        p.panel.attachedLoad = p.load * (areaSum / loadSum);
        air.addPanel(p.panel);
    }

    SailPanel pocket;
    pocket.p0 = &glider.hubParticle();
    pocket.p1 = &rearKeel;
    pocket.p2 = &glider.mastBottomParticle();
    pocket.fin = true;
    air.addPanel(pocket);

    air.setBillowShift(BillowShift{&glider.pilotParticle(), &glider.hubParticle(), &firstTip, &lastTip, kSailTension,
                                   kBillowShift, kBillowDrag, kTipLoadTwist, kSailSettling});
    air.setKeelTurning(KeelTurning{&apex, &rearKeel, kCamberPerRate});

    air.addBody(BodyDrag{&glider.pilotParticle(), kPilotDragArea});
    air.addBody(BodyDrag{&glider.mastBottomParticle(), kControlFrameDragArea});
    air.addBody(BodyDrag{&glider.mastTopParticle(), kKingPostDragArea});

    // Mirror images: place j of row i and place i - j; the frame and the
    // pilot are on the plane of symmetry. World order is registration order.
    std::vector<int> mirror(static_cast<std::size_t>(world.particleCount()));
    for (int k = 0; k < world.particleCount(); ++k) {
        mirror[static_cast<std::size_t>(k)] = k;
    }
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= i; ++j) {
            mirror[static_cast<std::size_t>(Glider::rowStart(i) + j)] = Glider::rowStart(i) + (i - j);
        }
    }
    solver.setMirror(std::move(mirror));

    // Cloth: wing-to-wing constraints, but not the leading-edge tubes along
    // the two side edges.
    const auto edgeRow = [&glider, n](const Particle* p, int& row, int& place) {
        for (int i = 0; i <= n; ++i) {
            for (int j = 0; j <= i; ++j) {
                if (&glider.wingParticle(Glider::rowStart(i) + j) == p) {
                    row = i;
                    place = j;
                    return true;
                }
            }
        }
        return false;
    };
    std::vector<double> compliances(static_cast<std::size_t>(world.constraintCount()), kFrameCompliance);
    for (int c = 0; c < world.constraintCount(); ++c) {
        DistanceConstraint& k = world.constraintAt(c);
        int ra = 0, pa = 0, rb = 0, pb = 0;
        if (!edgeRow(k.a, ra, pa) || !edgeRow(k.b, rb, pb)) {
            continue;
        }
        const bool firstEdge = pa == 0 && pb == 0;
        const bool lastEdge = pa == ra && pb == rb;
        if ((firstEdge || lastEdge) && ra != rb) {
            continue; // a leading-edge tube
        }
        compliances[static_cast<std::size_t>(c)] = kClothCompliance;

    }
    solver.setCompliances(std::move(compliances));
}

} // namespace start
