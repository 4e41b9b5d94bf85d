#include "physics/ParticleSystem.h"

#include <cmath>

#include "terrain/HeightField.h"

namespace {

// Straight-line arithmetic over flat arrays that do not overlap, so the
// compiler can keep the bases in registers and vectorise the square roots and
// divisions; each lane rounds exactly as the scalar formula would.
void solveConstraints(std::size_t m, const double* __restrict dx, const double* __restrict dy,
                      const double* __restrict dz, const double* __restrict rest,
                      const double* __restrict inverseMassSum, const double* __restrict massA,
                      const double* __restrict massB, double* __restrict scaleA, double* __restrict scaleB) {
    for (std::size_t c = 0; c < m; ++c) {
        const double len = std::sqrt(dx[c] * dx[c] + dy[c] * dy[c] + dz[c] * dz[c]);
        const double k = (len - rest[c]) / (len * inverseMassSum[c]);
        scaleA[c] = k / massA[c];
        scaleB[c] = k / massB[c];
    }
}

} // namespace

ParticleSystem::ParticleSystem(double gravity_, int stepsPerSecond)
    : DynamicSystem(gravity_, stepsPerSecond) {}

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
    // Each particle takes the mean of its constraints' corrections.
    for (const DistanceConstraint& c : constraints) {
        constraintCounts[static_cast<std::size_t>(c.a->index)] += 1;
        constraintCounts[static_cast<std::size_t>(c.b->index)] += 1;
    }
    prepareRelaxation();
}

void ParticleSystem::prepareRelaxation() {
    const std::size_t m = constraints.size();
    indexA.resize(m);
    indexB.resize(m);
    massA.resize(m);
    massB.resize(m);
    restLengths.resize(m);
    inverseMassSums.resize(m);
    deltaX.resize(m);
    deltaY.resize(m);
    deltaZ.resize(m);
    scaleA.resize(m);
    scaleB.resize(m);
    for (std::size_t c = 0; c < m; ++c) {
        indexA[c] = constraints[c].a->index;
        indexB[c] = constraints[c].b->index;
        massA[c] = constraints[c].a->mass;
        massB[c] = constraints[c].b->mass;
        inverseMassSums[c] = constraints[c].inverseMassSum;
    }
    // The mean of a particle's corrections multiplies by the rounded
    // reciprocal of its count; forming that reciprocal once gives the same bits.
    correctionScale.assign(particles.size(), 0.0);
    for (std::size_t i = 0; i < particles.size(); ++i) {
        if (constraintCounts[i] != 0) {
            correctionScale[i] = 1.0 / static_cast<double>(constraintCounts[i]);
        }
    }
}

void ParticleSystem::step() {
    // Forces: gravity, springs, air. Virtual, so a derived world adds its own.
    computeForces();
    // Verlet prediction into previousPositions, which becomes the working array.
    predictPositions();
    // Rigid constraints: Jacobi passes over the predicted positions only.
    for (int iteration = 0; iteration < kRelaxationIterations; ++iteration) {
        relaxConstraints();
        applyCorrections();
        applyAnchors();
    }
    // Ground contact, then the new positions become current.
    resolveContactAndCommit();
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

void ParticleSystem::computeForces() {
    DynamicSystem::computeForces();
    applySpringForces();
    applyAirForces();
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

        const Vector3D airVelocity = velocity - wind;
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

void ParticleSystem::relaxConstraints() {
    // Corrections are summed, not applied, so every constraint of the pass
    // sees the positions of the pass's start (Jacobi). Per constraint:
    //   d = a - b, len = |d|, k = (len - rest) / (len * inverseMassSum),
    //   a's correction -= d * (k / a.mass), b's += d * (k / b.mass).
    // It runs in three loops so that the square roots and divisions, the
    // bulk of a step, run over flat arrays the compiler can vectorise; every
    // operation and its rounding stay those of the formula above.
    const std::size_t m = constraints.size();

    // Gather the separations and the current rest lengths.
    for (std::size_t c = 0; c < m; ++c) {
        const Vector3D& a = previousPositions[static_cast<std::size_t>(indexA[c])];
        const Vector3D& b = previousPositions[static_cast<std::size_t>(indexB[c])];
        deltaX[c] = a.x - b.x;
        deltaY[c] = a.y - b.y;
        deltaZ[c] = a.z - b.z;
        restLengths[c] = constraints[c].restLength;
    }
    // Solve each constraint on its own.
    solveConstraints(m, deltaX.data(), deltaY.data(), deltaZ.data(), restLengths.data(), inverseMassSums.data(),
                     massA.data(), massB.data(), scaleA.data(), scaleB.data());
    // Scatter in constraint order, so every particle sums its corrections in
    // the same order whatever the layout.
    for (std::size_t c = 0; c < m; ++c) {
        Vector3D& a = accumulators[static_cast<std::size_t>(indexA[c])];
        Vector3D& b = accumulators[static_cast<std::size_t>(indexB[c])];
        a.x -= deltaX[c] * scaleA[c];
        a.y -= deltaY[c] * scaleA[c];
        a.z -= deltaZ[c] * scaleA[c];
        b.x += deltaX[c] * scaleB[c];
        b.y += deltaY[c] * scaleB[c];
        b.z += deltaZ[c] * scaleB[c];
    }
}

void ParticleSystem::applyCorrections() {
    // A particle moves by the mean of its corrections; one without
    // constraints keeps its place.
    for (std::size_t i = 0; i < particles.size(); ++i) {
        if (constraintCounts[i] != 0) {
            previousPositions[i] += accumulators[i] * correctionScale[i];
        }
        accumulators[i] = Vector3D(0.0, 0.0, 0.0);
    }
}

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
