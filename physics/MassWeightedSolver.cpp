#include "physics/MassWeightedSolver.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "physics/MassWeightedSweep.h"
#include "physics/ParticleSystem.h"
#include "terrain/HeightField.h"


MassWeightedSolver::MassWeightedSolver(const Settings& settings)
    : config(settings), kernels(&massWeightedKernels(activeInstructionSet())) {}

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
    colourSweep(world);
    const std::size_t count = order.size();
    lambda.assign(count, 0.0);
    startLambda.assign(count, 0.0);
    olderLambda.assign(count, 0.0);
    moves.assign(groups.size(), GroupMoves());
    startPositions.assign(static_cast<std::size_t>(world.particleCount()), Vector3D());
    olderPositions.assign(static_cast<std::size_t>(world.particleCount()), Vector3D());
    groundBelow.assign(static_cast<std::size_t>(world.particleCount()), 0.0);
}

void MassWeightedSolver::colourSweep(const ParticleSystem& world) {
    // Links in the order made meet one after another at the same particle, so
    // each would wait for the last one's correction. Coloured so that no two
    // groups (a link, or a mirror pair) of one colour move the same particle,
    // a sweep colour by colour is still Gauss-Seidel, and the links of a
    // colour can be computed side by side.
    const std::size_t n = static_cast<std::size_t>(world.particleCount());
    std::vector<std::vector<char>> taken; // per colour, per particle
    std::vector<std::vector<int>> members; // per colour, its links in the order made
    for (std::size_t l = 0; l < links.size(); ++l) {
        const bool pair = pairedWithNext[l] != 0;
        const int ends[4] = {links[l].a, links[l].b, links[pair ? l + 1 : l].a, links[pair ? l + 1 : l].b};
        std::size_t colour = 0;
        const auto clash = [&](std::size_t c) {
            return std::any_of(std::begin(ends), std::end(ends),
                               [&](int e) { return taken[c][static_cast<std::size_t>(e)] != 0; });
        };
        while (colour < taken.size() && clash(colour)) {
            ++colour;
        }
        if (colour == taken.size()) {
            taken.emplace_back(n, 0);
            members.emplace_back();
        }
        for (int e : ends) {
            taken[colour][static_cast<std::size_t>(e)] = 1;
        }
        members[colour].push_back(static_cast<int>(l));
        if (pair) {
            members[colour].push_back(static_cast<int>(++l));
        }
    }
    // Each colour fills whole groups of lanes; a place left over is idle (-1).
    order.clear();
    colourStart.clear();
    colourLinks.clear();
    for (const std::vector<int>& colour : members) {
        colourStart.push_back(static_cast<int>(order.size() / kLinkLanes));
        colourLinks.push_back(static_cast<int>(colour.size()));
        order.insert(order.end(), colour.begin(), colour.end());
        order.resize((order.size() + kLinkLanes - 1) / kLinkLanes * kLinkLanes, -1);
    }
    colourStart.push_back(static_cast<int>(order.size() / kLinkLanes));
    groups.assign(order.size() / kLinkLanes, LinkGroup());
    constraintOf.assign(order.size(), -1);
    for (std::size_t s = 0; s < order.size(); ++s) {
        if (order[s] < 0) {
            continue;
        }
        const Link& k = links[static_cast<std::size_t>(order[s])];
        LinkGroup& g = groups[s / kLinkLanes];
        const std::size_t j = s % kLinkLanes;
        g.endA[j] = k.a;
        g.endB[j] = k.b;
        g.inverseMassA[j] = k.inverseMassA;
        g.inverseMassB[j] = k.inverseMassB;
        g.inverseMassSum[j] = k.inverseMassA + k.inverseMassB;
        g.alphaTilde[j] = k.alphaTilde;
        g.inverseDenominator[j] = 1.0 / (k.inverseMassA + k.inverseMassB + k.alphaTilde);
        constraintOf[s] = k.constraint;
    }
}

void MassWeightedSolver::solve(ParticleSystem& world) {
    Vector3D* p = world.workingPositions();
    const HeightField* terrain = world.terrainField();
    const int n = world.particleCount();
    const std::size_t particles = static_cast<std::size_t>(n);
    for (int i = 0; i < n; ++i) {
        const Vector3D& q = p[i];
        groundBelow[static_cast<std::size_t>(i)] =
            world.particleAt(i).ignoresTerrain ? -std::numeric_limits<double>::infinity()
                                               : (terrain != nullptr ? terrain->heightAt(q.x, q.y) : 0.0);
    }
    // Steering rewrites rest lengths between steps; within one they hold.
    const std::size_t count = order.size();
    for (std::size_t s = 0; s < count; ++s) {
        if (constraintOf[s] >= 0) {
            groups[s / kLinkLanes].rest[s % kLinkLanes] = world.constraintAt(constraintOf[s]).restLength;
        }
    }
    std::fill(lambda.begin(), lambda.end(), 0.0);
    const MassWeightedPass pass{colourLinks.size(), colourStart.data(), colourLinks.data(), groups.data(),
                                lambda.data(), moves.data()};

    iterationsRun = 0;
    const bool accelerated = config.spectralRadius > 0.0;
    const double rhoSquared = config.spectralRadius * config.spectralRadius;
    double omega = 1.0;
    for (int iteration = 0; iteration < config.maxIterations; ++iteration) {
        if (accelerated) {
            std::copy(p, p + n, startPositions.begin());
            std::copy(lambda.begin(), lambda.end(), startLambda.begin());
        }
        // Colour by colour: every link of a colour from the colour's
        // starting positions, then its corrections, n * (w * step) on a and
        // the opposite on b.
        double largest = kernels->sweep(pass, p);
        if (accelerated) {
            // Chebyshev: the pass's result pushed on from where the pass
            // before last started, by a weight that grows towards
            // 2 / (1 + sqrt(1 - rho^2)). Slow, smooth errors (a whole sail
            // stretched under its load) then shrink in a few passes instead
            // of hundreds. Each state blended has the same momentum and the
            // weights sum to one, so the blend keeps it.
            if (iteration >= config.accelerationDelay) {
                omega = iteration == config.accelerationDelay ? 2.0 / (2.0 - rhoSquared)
                                                              : 4.0 / (4.0 - rhoSquared * omega);
                kernels->overRelax(omega, p, olderPositions.data(), particles, lambda.data(), olderLambda.data(),
                                   count);
            }
            std::swap(olderPositions, startPositions);
            std::swap(olderLambda, startLambda);
        }
        // The ground is a constraint too: a lift off it counts as a correction.
        largest = std::max(largest, kernels->holdOnGround(p, groundBelow.data(), particles));
        world.applyAnchors();
        ++iterationsRun;
        if (largest < config.tolerance) {
            break;
        }
    }
}
