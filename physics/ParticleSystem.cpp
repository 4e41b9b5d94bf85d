#include "physics/ParticleSystem.h"

#include <cmath>

#include "terrain/HeightField.h"

namespace {

// The classic parts: the world's own air force and Jacobi relaxation.
class NormalPressure final : public AirForceLaw {
public:
    void addForces(ParticleSystem& world) override { world.applyAirForces(); }
};

class JacobiRelaxation final : public ConstraintSolver {
public:
    void solve(ParticleSystem& world) override {
        world.beginRelaxation();
        world.relaxPasses(ParticleSystem::kRelaxationIterations);
        world.endRelaxation();
    }
};

} // namespace

ParticleSystem::ParticleSystem(double gravity_, int stepsPerSecond)
    : ParticleSystem(gravity_, stepsPerSecond, nullptr, nullptr) {}

ParticleSystem::ParticleSystem(double gravity_, int stepsPerSecond, std::unique_ptr<AirForceLaw> airForce_,
                               std::unique_ptr<ConstraintSolver> solver_)
    : DynamicSystem(gravity_, stepsPerSecond),
      airForce(airForce_ ? std::move(airForce_) : std::make_unique<NormalPressure>()),
      solver(solver_ ? std::move(solver_) : std::make_unique<JacobiRelaxation>()) {}

ParticleSystem::~ParticleSystem() = default;

int ParticleSystem::addConstraint(const DistanceConstraint& constraint) {
    constraints.push_back(constraint);
    return static_cast<int>(constraints.size()) - 1;
}

void ParticleSystem::prepare() {
    DynamicSystem::prepare();
    const std::size_t n = particles.size();
    constraintCounts.assign(n, 0);
    previousPositions.resize(n);
    // Every particle starts at rest.
    for (std::size_t i = 0; i < n; ++i) {
        previousPositions[i] = particles[i]->position;
    }
    if (!(startVelocity == Vector3D(0.0, 0.0, 0.0))) {
        setVelocity(startVelocity);
    }
    // Each particle takes the mean of its constraints' corrections.
    for (const DistanceConstraint& c : constraints) {
        constraintCounts[static_cast<std::size_t>(c.a->index)] += 1;
        constraintCounts[static_cast<std::size_t>(c.b->index)] += 1;
    }
    relaxation.build(n, constraints, constraintCounts);
    airForce->prepare(*this);
    solver->prepare(*this);
}

void ParticleSystem::step() {
    // Forces: gravity, springs, air. Virtual, so a derived world adds its own.
    computeForces();
    // Verlet prediction into previousPositions, which becomes the working array.
    predictPositions();
    // Constraints, over the predicted positions only.
    solver->solve(*this);
    // Ground contact, then the new positions become current.
    resolveContactAndCommit();
    ++stepsTaken;
}

Vector3D ParticleSystem::velocityOf(const Particle& particle) const {
    // Backward difference over the last step.
    const Vector3D& previous = previousPositions[static_cast<std::size_t>(particle.index)];
    return (particle.position - previous) * (1.0 / timeStep);
}

void ParticleSystem::translate(const Vector3D& displacement) {
    for (std::size_t i = 0; i < particles.size(); ++i) {
        particles[i]->position += displacement;
        previousPositions[i] = particles[i]->position;
    }
}

void ParticleSystem::placeParticles(const Vector3D* positions) {
    for (std::size_t i = 0; i < particles.size(); ++i) {
        particles[i]->position = positions[i];
        previousPositions[i] = positions[i];
    }
}

void ParticleSystem::setVelocity(const Vector3D& velocity) {
    // Verlet keeps velocity as the last step's displacement.
    const Vector3D displacement = velocity * timeStep;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        previousPositions[i] = particles[i]->position - displacement;
    }
}

void ParticleSystem::computeForces() {
    DynamicSystem::computeForces();
    applySpringForces();
    airForce->addForces(*this);
}

void ParticleSystem::applySpringForces() {
    for (const Spring& s : springs) {
        const Vector3D d = s.a->position - s.b->position;
        const double len = d.length();
        const Vector3D va = velocityOf(*s.a);
        const Vector3D vb = velocityOf(*s.b);
        const double magnitude =
            (len - s.restLength) * s.stiffness + (s.damping / len) * ((va - vb).dot(d));
        const Vector3D force = (d * magnitude) / len;
        accumulators[static_cast<std::size_t>(s.a->index)] -= force;
        accumulators[static_cast<std::size_t>(s.b->index)] += force;
    }
}

void ParticleSystem::applyAirForces() {
    const double now = simulatedTime();
    for (const WingTriangle& t : triangles) {
        const Vector3D& p0 = t.p0->position;
        const Vector3D& p1 = t.p1->position;
        const Vector3D& p2 = t.p2->position;
        // Unnormalised: its length is twice the triangle's area.
        const Vector3D n = (p1 - p0).cross(p2 - p0);

        // Mean corner velocity, from the same backward differences as velocityOf.
        const Vector3D d0 = p0 - previousPositions[static_cast<std::size_t>(t.p0->index)];
        const Vector3D d1 = p1 - previousPositions[static_cast<std::size_t>(t.p1->index)];
        const Vector3D d2 = p2 - previousPositions[static_cast<std::size_t>(t.p2->index)];
        Vector3D velocity = (d0 + d1) + d2;
        velocity /= 3.0 * timeStep;

        // The air at the triangle's centroid; a uniform field gives back the
        // wind itself, so the arithmetic is the same as against a constant.
        const Vector3D centroid = ((p0 + p1) + p2) * (1.0 / 3.0);
        const Vector3D airVelocity = velocity - air->velocityAt(centroid, now);
        const double c = airVelocity.dot(n);
        const double sign = c > 0.0 ? -1.0 : 1.0;
        const double nn = n.squaredLength();
        if (!(nn > 0.0)) {
            continue; // a degenerate triangle has no normal to push along
        }
        // Opposes the normal component of the air-relative velocity, quadratic in it.
        const double f = (airDensity / nn) * sign * c * c;
        const Vector3D force = n * f;
        accumulators[static_cast<std::size_t>(t.p0->index)] += force;
        accumulators[static_cast<std::size_t>(t.p1->index)] += force;
        accumulators[static_cast<std::size_t>(t.p2->index)] += force;
    }
}

void ParticleSystem::predictPositions() {
    const double dt2 = timeStep * timeStep;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        const Vector3D& position = particles[i]->position;
        Vector3D& next = previousPositions[i];
        next = (position + position) - next;
        next += accumulators[i] * (dt2 / particles[i]->mass);
        accumulators[i] = Vector3D(0.0, 0.0, 0.0);
    }
}

void ParticleSystem::beginRelaxation() { relaxation.load(previousPositions.data(), constraints); }

void ParticleSystem::relaxConstraints() { relaxation.relax(); }

void ParticleSystem::applyCorrections() { relaxation.applyCorrections(anchors); }

void ParticleSystem::relaxPasses(int passes) { relaxation.relaxPasses(passes, anchors); }

void ParticleSystem::endRelaxation() { relaxation.store(previousPositions.data()); }

void ParticleSystem::applyAnchors() {
    for (const Anchor& anchor : anchors) {
        previousPositions[static_cast<std::size_t>(anchor.particle->index)] = anchor.position;
    }
}

void ParticleSystem::resolveContactAndCommit() {
    for (std::size_t i = 0; i < particles.size(); ++i) {
        Particle& particle = *particles[i];
        Vector3D next = previousPositions[i];
        if (!particle.ignoresTerrain) {
            const double ground = terrain != nullptr ? terrain->heightAt(next.x, next.y) : 0.0;
            if (!(next.z > ground)) {
                // Fully inelastic: landing on the ground also stops the particle.
                next.z = ground;
                particle.position = next;
            }
        }
        previousPositions[i] = particle.position;
        particle.position = next;
    }
}
