#include <array>
#include <cmath>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/glider/RegisteredGlider.h"

namespace {

struct RegistrationCase {
    int subdivisions;
    int particles;
    int constraints;
    int triangles;
    std::vector<int> suspension;
};

// Row i >= 1 hangs from constraints 9 apart: the row's edge block holds nine.
std::vector<int> startSuspension() {
    std::vector<int> indices{114};
    for (int row = 1; row <= 8; ++row) {
        indices.push_back(118 + 9 * (row - 1));
        indices.push_back(119 + 9 * (row - 1));
    }
    return indices;
}

void PrintTo(const RegistrationCase& c, std::ostream* os) { *os << "subdivisions " << c.subdivisions; }

class GliderRegistration : public ::testing::TestWithParam<RegistrationCase> {};

TEST_P(GliderRegistration, CountsParticleOrderAndSuspensionIndicesFollowTheFixedSequence) {
    const RegistrationCase& expected = GetParam();
    RegisteredGlider g(expected.subdivisions);
    EXPECT_EQ(g.world.particleCount(), expected.particles);
    EXPECT_EQ(g.world.constraintCount(), expected.constraints);
    EXPECT_EQ(g.world.triangleCount(), expected.triangles);

    // Wing first, then mastTop, hub, mastBottom and the pilot.
    const int wingCount = g.glider.wingSize();
    for (int k = 0; k < wingCount; ++k) {
        EXPECT_EQ(&g.world.particleAt(k), &g.glider.wingParticle(k)) << k;
    }
    EXPECT_EQ(&g.world.particleAt(wingCount), &g.glider.mastTopParticle());
    EXPECT_EQ(&g.world.particleAt(wingCount + 1), &g.glider.hubParticle());
    EXPECT_EQ(&g.world.particleAt(wingCount + 2), &g.glider.mastBottomParticle());
    EXPECT_EQ(&g.world.particleAt(wingCount + 3), &g.glider.pilotParticle());

    // Entry 0 hangs the pilot from the apex, then each row's first particle and its last.
    ASSERT_EQ(g.glider.suspensionCount(), static_cast<int>(expected.suspension.size()));
    for (int k = 0; k < g.glider.suspensionCount(); ++k) {
        EXPECT_EQ(g.glider.suspensionConstraint(k), expected.suspension[static_cast<std::size_t>(k)]) << k;
        const int row = (k + 1) / 2;
        const int edge = Glider::rowStart(row) + (k > 0 && k % 2 == 0 ? row : 0);
        const DistanceConstraint& c = g.world.constraintAt(g.glider.suspensionConstraint(k));
        EXPECT_EQ(c.a, &g.glider.wingParticle(edge)) << k;
        EXPECT_EQ(c.b, &g.glider.pilotParticle()) << k;
        EXPECT_EQ(g.glider.edgeRestPosition(k), g.glider.wingParticle(edge).position) << k;
    }
}

// Particles joined twice: the apex to both mast ends (edge bracing and keel)
// and the two particles of row 1 (mesh and edge).
TEST_P(GliderRegistration, ExactlyThreePairsAreJoinedTwice) {
    RegisteredGlider g(GetParam().subdivisions);
    std::map<std::pair<const Particle*, const Particle*>, int> joined;
    for (int c = 0; c < g.world.constraintCount(); ++c) {
        const DistanceConstraint& k = g.world.constraintAt(c);
        joined[k.a < k.b ? std::make_pair(k.a, k.b) : std::make_pair(k.b, k.a)] += 1;
    }
    int doubled = 0;
    for (const auto& entry : joined) {
        EXPECT_LE(entry.second, 2);
        doubled += entry.second == 2 ? 1 : 0;
    }
    EXPECT_EQ(doubled, 3);
    const Particle& apex = g.glider.wingParticle(0);
    EXPECT_EQ(g.countJoining(apex, g.glider.mastTopParticle()), 2);
    EXPECT_EQ(g.countJoining(apex, g.glider.mastBottomParticle()), 2);
    EXPECT_EQ(g.countJoining(g.glider.wingParticle(1), g.glider.wingParticle(2)), 2);
}

TEST_P(GliderRegistration, EveryPhysicsTriangleWindsClockwiseSeenFromAbove) {
    RegisteredGlider g(GetParam().subdivisions);
    const double s = std::sqrt(26.0);
    for (int t = 0; t < g.world.triangleCount(); ++t) {
        const WingTriangle& tri = g.world.triangleAt(t);
        Vector3D normal = (tri.p1->position - tri.p0->position).cross(tri.p2->position - tri.p0->position);
        normal.normalize();
        SCOPED_TRACE(t);
        expectNear(normal, Vector3D(0.0, -1.0 / s, -5.0 / s), 1e-12);
    }
}

INSTANTIATE_TEST_SUITE_P(Subdivisions, GliderRegistration,
                         ::testing::Values(RegistrationCase{1, 7, 22, 1, {9, 13, 14}},
                                           RegistrationCase{2, 10, 39, 4, {15, 19, 20, 28, 29}},
                                           RegistrationCase{3, 14, 57, 9, {24, 28, 29, 37, 38, 46, 47}},
                                           RegistrationCase{8, 49, 198, 64, startSuspension()}),
                         [](const ::testing::TestParamInfo<RegistrationCase>& info) {
                             return "n" + std::to_string(info.param.subdivisions);
                         });

TEST(GliderStructure, KeelBracesOnlyTheCentreParticlesOfEvenRows) {
    // Rows 0 and 2 of three have centres (wing[0], wing[4]); the odd base row has none.
    RegisteredGlider g(3);
    const int total = g.world.constraintCount();
    const Particle& top = g.glider.mastTopParticle();
    const Particle& bottom = g.glider.mastBottomParticle();
    EXPECT_TRUE(g.joins(total - 4, g.glider.wingParticle(0), top));
    EXPECT_TRUE(g.joins(total - 3, g.glider.wingParticle(0), bottom));
    EXPECT_TRUE(g.joins(total - 2, g.glider.wingParticle(4), top));
    EXPECT_TRUE(g.joins(total - 1, g.glider.wingParticle(4), bottom));
    // No inner particle of the odd rows 1 and 3 is braced to the mast.
    for (int k : {7, 8}) {
        EXPECT_EQ(g.countJoining(g.glider.wingParticle(k), top), 0) << k;
        EXPECT_EQ(g.countJoining(g.glider.wingParticle(k), bottom), 0) << k;
    }
    // The hub-pilot constraint comes right before the keel.
    EXPECT_TRUE(g.joins(total - 5, g.glider.hubParticle(), g.glider.pilotParticle()));
}

TEST(GliderStructure, StartGeometryPlacesApexBaseMastAndPilot) {
    RegisteredGlider g(8);
    const Glider& glider = g.glider;
    expectNear(glider.wingParticle(0).position, Vector3D(0.0, 148.5, 135.3), 1e-12); // apex
    for (int j = 0; j <= 8; ++j) {
        SCOPED_TRACE(j);
        expectNear(glider.wingParticle(Glider::rowStart(8) + j).position, Vector3D(-2.75 + j * 5.5 / 8.0, 151.5, 134.7),
                   1e-12);
    }
    EXPECT_NEAR(glider.mastTopParticle().position.z, 136.1, 1e-12);
    EXPECT_NEAR(glider.mastBottomParticle().position.z, 133.9, 1e-12);
    EXPECT_EQ(glider.hubParticle().position, start::kGliderPosition);
    EXPECT_NEAR(glider.pilotParticle().position.y, 150.2, 1e-12);
    EXPECT_NEAR(glider.pilotParticle().position.z, 134.6, 1e-12);
    EXPECT_EQ(glider.pilotReference(), glider.pilotParticle().position);
    // The row-4 centre shares the hub's point, yet no constraint joins them.
    EXPECT_EQ(glider.wingParticle(12).position, glider.hubParticle().position);
    EXPECT_EQ(g.countJoining(glider.wingParticle(12), glider.hubParticle()), 0);
}

TEST(GliderStructure, StartRestLengthsAreTheConstructionDistances) {
    RegisteredGlider g(8);
    const Glider& glider = g.glider;
    EXPECT_NEAR(g.restLengthBetween(glider.wingParticle(0), glider.pilotParticle()), std::sqrt(3.38), 1e-12);
    EXPECT_NEAR(g.restLengthBetween(glider.hubParticle(), glider.pilotParticle()), std::sqrt(0.2), 1e-12);
    EXPECT_NEAR(g.restLengthBetween(glider.mastTopParticle(), glider.mastBottomParticle()), 2.2, 1e-12);
    EXPECT_NEAR(g.restLengthBetween(glider.mastTopParticle(), glider.hubParticle()), 1.1, 1e-12);
    // Mesh neighbours: along a row span/n apart, down a side edge its slant length.
    EXPECT_NEAR(g.restLengthBetween(glider.wingParticle(1), glider.wingParticle(2)), 5.5 / 8.0, 1e-12);
    const double dx = 5.5 / 16.0;
    const double dy = 3.0 / 8.0;
    const double dz = 0.2 * 3.0 / 8.0;
    EXPECT_NEAR(g.restLengthBetween(glider.wingParticle(0), glider.wingParticle(1)),
                std::sqrt(dx * dx + dy * dy + dz * dz), 1e-12);
    for (int c = 0; c < g.world.constraintCount(); ++c) {
        EXPECT_GT(g.world.constraintAt(c).restLength, 0.0) << c; // relaxation divides by it
    }
}

TEST(GliderStructure, MassesAddUpToSixtyOneKilogramsAndOnlyTheMastEndsIgnoreTheGround) {
    RegisteredGlider g(8);
    double total = 0.0;
    for (int k = 0; k < g.world.particleCount(); ++k) {
        const Particle& p = g.world.particleAt(k);
        total += p.mass;
        const bool pilot = &p == &g.glider.pilotParticle();
        EXPECT_DOUBLE_EQ(p.mass, pilot ? 45.0 : 15.0 / 45.0) << k;
        const bool mastEnd = &p == &g.glider.mastTopParticle() || &p == &g.glider.mastBottomParticle();
        EXPECT_EQ(p.ignoresTerrain, mastEnd) << k;
        EXPECT_EQ(p.index, -1) << k; // numbered only when the world is prepared
    }
    EXPECT_NEAR(total, 61.0, 1e-12);
}

TEST(GliderStructure, AnEdgeMassShareLoadsTheLeadingEdgesAndKeepsTheWingsMass) {
    GliderShape shape;
    shape.wingMass = 19.0;
    shape.edgeMassShare = 0.7;
    const Glider glider(start::kGliderPosition, shape);
    const int n = shape.subdivisions;
    double edges = 0.0, sail = 0.0, lightestEdge = 1e9, heaviestSail = 0.0;
    for (int i = 0; i <= n; ++i) {
        for (int j = 0; j <= i; ++j) {
            const double m = glider.wingParticle(Glider::rowStart(i) + j).mass;
            if (j == 0 || j == i) {
                edges += m;
                lightestEdge = std::fmin(lightestEdge, m);
            } else {
                sail += m;
                heaviestSail = std::fmax(heaviestSail, m);
            }
        }
    }
    EXPECT_NEAR(edges + sail, 19.0, 1e-12);
    EXPECT_NEAR(edges, 0.7 * 19.0, 1e-12);
    EXPECT_GT(lightestEdge, heaviestSail);
    // Without a share every wing particle weighs the same, as before.
    shape.edgeMassShare = 0.0;
    const Glider even(start::kGliderPosition, shape);
    for (int k = 0; k < even.wingSize(); ++k) {
        EXPECT_EQ(even.wingParticle(k).mass, 19.0 / 45.0) << k;
    }
}

TEST(GliderStructure, PhysicsTrianglesComeInMeshOrder) {
    // One step: apex, corner at -x, corner at +x.
    RegisteredGlider single(1);
    EXPECT_LT(single.glider.wingParticle(1).position.x, single.glider.wingParticle(2).position.x);
    RegisteredGlider two(2);
    const std::pair<const RegisteredGlider*, std::vector<std::array<int, 3>>> cases[] = {
        {&single, {{0, 1, 2}}},
        {&two, {{0, 1, 2}, {1, 3, 4}, {1, 4, 2}, {2, 4, 5}}},
    };
    for (const auto& [g, triangles] : cases) {
        ASSERT_EQ(g->world.triangleCount(), static_cast<int>(triangles.size()));
        for (std::size_t t = 0; t < triangles.size(); ++t) {
            const WingTriangle& tri = g->world.triangleAt(static_cast<int>(t));
            EXPECT_EQ(tri.p0, &g->glider.wingParticle(triangles[t][0])) << t;
            EXPECT_EQ(tri.p1, &g->glider.wingParticle(triangles[t][1])) << t;
            EXPECT_EQ(tri.p2, &g->glider.wingParticle(triangles[t][2])) << t;
        }
    }
}

#ifndef NDEBUG
TEST(GliderStructureDeathTest, RejectsContractBreachesInDebugBuilds) {
    const Vector3D p = start::kGliderPosition;
    EXPECT_DEATH(Glider(p, 5.5, 3.0, 0, 15.0, 45.0), "row step");
    EXPECT_DEATH(Glider(p, 5.5, 3.0, -2, 15.0, 45.0), "row step");
    EXPECT_DEATH(Glider(p, 5.5, 3.0, 8, 0.0, 45.0), "wing needs a positive mass");
    EXPECT_DEATH(Glider(p, 5.5, 3.0, 8, 15.0, -45.0), "pilot needs a positive mass");
}

TEST(GliderStructureDeathTest, RejectsASecondRegistration) {
    RegisteredGlider g(1);
    ParticleSystem other(start::kGravity, start::kStepsPerSecond);
    EXPECT_DEATH(g.glider.registerWith(other), "once");
}
#endif

} // namespace
