#include "physics/MassWeightedSolver.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "physics/ParticleSystem.h"
#include "terrain/HeightField.h"

MassWeightedSolver::MassWeightedSolver(const Settings& settings) : config(settings) {}

void MassWeightedSolver::prepare(ParticleSystem& world) {
    const int m = world.constraintCount();
    const double dt = world.timeStepSeconds();
    const bool ownCompliances = static_cast<int>(compliances.size()) == m;
    const auto linkOf = [&](int c, int a, int b) {
        const double compliance = ownCompliances ? compliances[static_cast<std::size_t>(c)] : config.compliance;
        return Link{a, b, 1.0 / world.particleAt(a).mass, 1.0 / world.particleAt(b).mass, c, compliance / (dt * dt)};
    };
    // Where each unordered particle pair's first constraint is, to find mirrors.
    const auto find = [&world, m](int a, int b, const std::vector<char>& used) {
        for (int c = 0; c < m; ++c) {
            const DistanceConstraint& k = world.constraintAt(c);
            if (!used[static_cast<std::size_t>(c)] &&
                ((k.a->index == a && k.b->index == b) || (k.a->index == b && k.b->index == a))) {
                return c;
            }
        }
        return -1;
    };
    links.clear();
    pairedWithNext.clear();
    std::vector<char> used(static_cast<std::size_t>(m), 0);
    const bool mirrored = static_cast<int>(mirror.size()) == world.particleCount();
    for (int c = 0; c < m; ++c) {
        if (used[static_cast<std::size_t>(c)]) {
            continue;
        }
        used[static_cast<std::size_t>(c)] = 1;
        const int a = world.constraintAt(c).a->index;
        const int b = world.constraintAt(c).b->index;
        links.push_back(linkOf(c, a, b));
        pairedWithNext.push_back(0);
        if (!mirrored) {
            continue;
        }
        const int ma = mirror[static_cast<std::size_t>(a)];
        const int mb = mirror[static_cast<std::size_t>(b)];
        const bool selfMirror = (ma == a && mb == b) || (ma == b && mb == a);
        if (selfMirror) {
            continue;
        }
        const int twin = find(ma, mb, used);
        if (twin < 0) {
            continue;
        }
        used[static_cast<std::size_t>(twin)] = 1;
        // Oriented as the mirror of the first, so both compute the same numbers.
        links.push_back(linkOf(twin, ma, mb));
        pairedWithNext.back() = 1;
        pairedWithNext.push_back(0);
    }
    lambda.assign(links.size(), 0.0);
    groundBelow.assign(static_cast<std::size_t>(world.particleCount()), 0.0);
}

void MassWeightedSolver::solve(ParticleSystem& world) {
    Vector3D* p = world.workingPositions();
    const HeightField* terrain = world.terrainField();
    const int n = world.particleCount();
    for (int i = 0; i < n; ++i) {
        const Vector3D& q = p[i];
        groundBelow[static_cast<std::size_t>(i)] =
            world.particleAt(i).ignoresTerrain ? -std::numeric_limits<double>::infinity()
                                               : (terrain != nullptr ? terrain->heightAt(q.x, q.y) : 0.0);
    }
    std::fill(lambda.begin(), lambda.end(), 0.0);

    // One link's multiplier step from the current positions: its correction
    // is n * (w * step) on a, the opposite on b.
    const auto stepOf = [&](std::size_t l, Vector3D& direction) {
        const Link& k = links[l];
        const Vector3D d = p[k.a] - p[k.b];
        const double len = d.length();
        if (!(len > 0.0)) {
            direction = Vector3D(0.0, 0.0, 0.0);
            return 0.0;
        }
        direction = d * (1.0 / len);
        const double rest = world.constraintAt(k.constraint).restLength;
        return (rest - len - k.alphaTilde * lambda[l]) / (k.inverseMassA + k.inverseMassB + k.alphaTilde);
    };
    const auto apply = [&](std::size_t l, const Vector3D& direction, double step) {
        const Link& k = links[l];
        lambda[l] += step;
        p[k.a] += direction * (k.inverseMassA * step);
        p[k.b] -= direction * (k.inverseMassB * step);
        return std::fabs(step) * (k.inverseMassA + k.inverseMassB);
    };

    iterationsRun = 0;
    for (int iteration = 0; iteration < config.maxIterations; ++iteration) {
        double largest = 0.0;
        for (std::size_t l = 0; l < links.size(); ++l) {
            Vector3D direction;
            const double step = stepOf(l, direction);
            if (pairedWithNext[l]) {
                Vector3D twinDirection;
                const double twinStep = stepOf(l + 1, twinDirection);
                largest = std::max(largest, apply(l, direction, step));
                largest = std::max(largest, apply(l + 1, twinDirection, twinStep));
                ++l;
            } else {
                largest = std::max(largest, apply(l, direction, step));
            }
        }
        for (int i = 0; i < n; ++i) {
            const double ground = groundBelow[static_cast<std::size_t>(i)];
            if (p[i].z < ground) {
                largest = std::max(largest, ground - p[i].z);
                p[i].z = ground;
            }
        }
        world.applyAnchors();
        ++iterationsRun;
        if (largest < config.tolerance) {
            break;
        }
    }
}
