#include "glider/Glider.h"

#include <cassert>
#include <cmath>

#include "physics/DistanceConstraint.h"
#include "physics/WingTriangle.h"

namespace {

// The wing is as wide per row as its row index: rows 0..n hold 1..n+1 particles.
int wingParticleCountFor(int subdivisions) { return (subdivisions + 1) * (subdivisions + 2) / 2; }

// A particle of the wing mesh, row i, place j. The wing plane drops by 0.2 in z
// per unit of y from apex to base, so the wing meets the air nose up.
Vector3D wingPosition(const Vector3D& position, const GliderShape& shape, int i, int j) {
    const int n = shape.subdivisions;
    const double u = static_cast<double>(2 * j + n - i) / static_cast<double>(2 * n) - 0.5;
    const double v = static_cast<double>(i) / static_cast<double>(n) - 0.5;
    Vector3D p(position.x + u * shape.span, position.y + v * shape.chord, position.z - shape.wingDrop * v * shape.chord);
    if (shape.washout != 0.0) {
        // Twist about the leading edge, growing from none at the keel to the
        // full washout at the tips: the part behind the leading edge rises.
        const double outboard = 2.0 * std::fabs(u);
        const double behindLeadingEdge = (v - (outboard - 0.5)) * shape.chord;
        p.z += shape.washout * outboard * behindLeadingEdge;
    }
    return p;
}

GliderShape classicShape(double span, double chord, int subdivisions, double wingMass, double pilotMass) {
    GliderShape shape;
    shape.span = span;
    shape.chord = chord;
    shape.subdivisions = subdivisions;
    shape.wingMass = wingMass;
    // The frame particles weigh as much as one wing particle each.
    shape.frameMass = wingMass / static_cast<double>(wingParticleCountFor(subdivisions));
    shape.pilotMass = pilotMass;
    return shape;
}

Particle makeParticle(const Vector3D& position, double mass, bool ignoresTerrain) {
    Particle p;
    p.position = position;
    p.mass = mass;
    p.ignoresTerrain = ignoresTerrain;
    return p;
}

} // namespace

Glider::Glider(const Vector3D& position, double span, double chord, int subdivisions_, double wingMass,
               double pilotMass)
    : Glider(position, classicShape(span, chord, subdivisions_, wingMass, pilotMass)) {}

Glider::Glider(const Vector3D& position, const GliderShape& shape)
    : subdivisions(shape.subdivisions),
      wingParticleCount(wingParticleCountFor(shape.subdivisions)),
      pilotRestPosition(position + shape.pilotOffset),
      pilotBuiltPosition(pilotRestPosition),
      builtHub(position) {
    // Both would divide by zero further down (the layout by n, every
    // constraint by the masses) and fill the world with infinities.
    assert(subdivisions >= 1 && "a wing needs at least one row step");
    assert(shape.wingMass > 0.0 && "the wing needs a positive mass");
    assert(shape.frameMass > 0.0 && "the frame needs a positive mass");
    assert(shape.pilotMass > 0.0 && "the pilot needs a positive mass");

    const int n = subdivisions;
    assert(shape.edgeMassShare >= 0.0 && shape.edgeMassShare < 1.0 && "the sail keeps some of the wing's mass");
    const double particleMass = shape.wingMass / static_cast<double>(wingParticleCount);
    // The two edges share the apex: 2n + 1 particles.
    const int edgeParticles = 2 * n + 1;
    assert((shape.edgeMassShare == 0.0 || wingParticleCount > edgeParticles) && "no sail particles to share the rest");
    const double edgeMass = shape.wingMass * shape.edgeMassShare / static_cast<double>(edgeParticles);
    const double sailMass =
        shape.wingMass * (1.0 - shape.edgeMassShare) / static_cast<double>(wingParticleCount - edgeParticles);

    wing = std::make_unique<Particle[]>(static_cast<std::size_t>(wingParticleCount));
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= i; ++j) {
            double mass = particleMass;
            if (shape.edgeMassShare > 0.0) {
                mass = j == 0 || j == i ? edgeMass : sailMass;
            }
            wing[static_cast<std::size_t>(rowStart(i) + j)] =
                makeParticle(wingPosition(position, shape, i, j), mass, false);
        }
    }

    // The mast passes through the wing's centre; its ends may cross the ground.
    const double mast = shape.mastFraction * shape.span;
    mastTop = makeParticle(position + Vector3D(0.0, 0.0, mast), shape.frameMass, true);
    hub = makeParticle(position, shape.frameMass, false);
    mastBottom = makeParticle(position + Vector3D(0.0, 0.0, -mast), shape.frameMass, true);
    pilot = makeParticle(pilotRestPosition, shape.pilotMass, false);

    builtPositions = std::make_unique<Vector3D[]>(static_cast<std::size_t>(wingParticleCount + 4));
    for (int k = 0; k < wingParticleCount + 4; ++k) {
        builtPositions[static_cast<std::size_t>(k)] = particleInOrder(k).position;
    }

    // The two side edges, in the order the suspension constraints will take.
    const int edgeCount = suspensionCount();
    edgeRestPositions = std::make_unique<Vector3D[]>(static_cast<std::size_t>(edgeCount));
    edgeRestPositions[0] = wing[0].position;
    for (int i = 1; i <= n; ++i) {
        edgeRestPositions[static_cast<std::size_t>(2 * i - 1)] = wing[static_cast<std::size_t>(rowStart(i))].position;
        edgeRestPositions[static_cast<std::size_t>(2 * i)] = wing[static_cast<std::size_t>(rowStart(i) + i)].position;
    }

    vertexNormals = std::make_unique<Vector3D[]>(static_cast<std::size_t>(wingParticleCount));
}

Glider::~Glider() = default;

Particle& Glider::particleInOrder(int k) {
    if (k < wingParticleCount) {
        return wing[static_cast<std::size_t>(k)];
    }
    Particle* frame[] = {&mastTop, &hub, &mastBottom, &pilot};
    return *frame[k - wingParticleCount];
}

void Glider::registerWith(ParticleSystem& world_) {
    // A second registration would hand the world every particle twice.
    assert(world == nullptr && "a glider registers with one world, once");
    world = &world_;
    const int n = subdivisions;
    auto join = [&](Particle& a, Particle& b) { return world_.addConstraint(DistanceConstraint::make(a, b)); };
    auto wingAt = [&](int row, int place) -> Particle& {
        return wing[static_cast<std::size_t>(rowStart(row) + place)];
    };

    // Particles: their order here is their index in the world.
    for (int k = 0; k < wingParticleCount; ++k) {
        world_.addParticle(&wing[static_cast<std::size_t>(k)]);
    }
    world_.addParticle(&mastTop);
    world_.addParticle(&hub);
    world_.addParticle(&mastBottom);
    world_.addParticle(&pilot);

    // Wing mesh: each particle of a row with the two below it, and the
    // triangles between rows, all winding clockwise seen from above.
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j <= i; ++j) {
            Particle& top = wingAt(i, j);
            Particle& left = wingAt(i + 1, j);
            Particle& right = wingAt(i + 1, j + 1);
            join(top, left);
            join(top, right);
            join(left, right);
            world_.addTriangle(WingTriangle{&top, &left, &right});
            if (j < i) {
                world_.addTriangle(WingTriangle{&top, &right, &wingAt(i, j + 1)});
            }
        }
    }

    // Frame: the mast and its centre.
    join(mastTop, mastBottom);
    join(mastTop, hub);
    join(hub, mastBottom);

    // Edges: both side edges braced to the mast and hung to the pilot; the
    // pilot's lines are the ones steering rewrites.
    suspensionConstraints = std::make_unique<int[]>(static_cast<std::size_t>(suspensionCount()));
    int nextSuspension = 0;
    for (int i = 0; i <= n; ++i) {
        Particle& first = wingAt(i, 0);
        Particle& last = wingAt(i, i);
        join(first, mastTop);
        join(first, hub);
        join(first, mastBottom);
        suspensionConstraints[static_cast<std::size_t>(nextSuspension++)] = join(first, pilot);
        if (i > 0) {
            suspensionConstraints[static_cast<std::size_t>(nextSuspension++)] = join(last, pilot);
            join(first, last);
            join(last, mastTop);
            join(last, hub);
            join(last, mastBottom);
        }
    }

    hubLine = join(hub, pilot);

    // Keel: the centreline particles of the even rows, braced to the mast.
    for (int k = 0; k <= n / 2; ++k) {
        Particle& keel = wing[static_cast<std::size_t>(2 * k * (k + 1))];
        join(keel, mastTop);
        join(keel, mastBottom);
    }
}
