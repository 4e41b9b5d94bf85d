#include <gtest/gtest.h>

#include <limits>

#include "physics/ParticleSystem.h"
#include "terrain/HeightField.h"

namespace {

struct OneParticle {
    Particle p;
    ParticleSystem world{9.80665, 100};
    explicit OneParticle(const Vector3D& start, const HeightField* terrain = nullptr, bool ignores = false) {
        p.position = start;
        p.mass = 1.0;
        p.ignoresTerrain = ignores;
        world.setTerrain(terrain);
        world.addParticle(&p);
        world.prepare();
    }
};

} // namespace

TEST(TerrainContact, AParticleRestingOnFlatGroundStaysAtRest) {
    OneParticle one(Vector3D(3, 4, 0));
    for (int i = 0; i < 20; ++i) {
        one.world.step();
        EXPECT_EQ(one.p.position, Vector3D(3, 4, 0));
        EXPECT_EQ(one.world.velocityOf(one.p), Vector3D(0, 0, 0));
    }
}

TEST(TerrainContact, AFallingParticleStopsDeadOnTheGroundWithoutBouncing) {
    OneParticle one(Vector3D(0, 0, 1));
    one.world.step();
    one.world.translate(Vector3D(0, 0, 0)); // at rest, then give it sideways speed
    one.p.position += Vector3D(0.05, 0, 0);
    int landedAt = -1;
    for (int i = 0; i < 100 && landedAt < 0; ++i) {
        const double zBefore = one.p.position.z;
        one.world.step();
        if (one.p.position.z == 0.0) {
            landedAt = i;
            EXPECT_GT(zBefore, 0.0);
            EXPECT_EQ(one.world.velocityOf(one.p), Vector3D(0, 0, 0)) << "horizontal speed goes too";
        } else {
            EXPECT_GT(one.world.velocityOf(one.p).x, 0.0) << "airborne particles keep their speed";
        }
    }
    ASSERT_GE(landedAt, 0);
    for (int i = 0; i < 10; ++i) {
        one.world.step();
        EXPECT_EQ(one.p.position.z, 0.0);
        EXPECT_EQ(one.world.velocityOf(one.p), Vector3D(0, 0, 0));
    }
}

TEST(TerrainContact, ParticlesThatIgnoreTerrainFallThrough) {
    OneParticle one(Vector3D(0, 0, 0), nullptr, true);
    for (int i = 0; i < 5; ++i) {
        one.world.step();
    }
    EXPECT_LT(one.p.position.z, 0.0);
    EXPECT_LT(one.world.velocityOf(one.p).z, 0.0);
}

TEST(TerrainContact, OnASlopeTheParticleIsLiftedVerticallyToTheGroundUnderIt) {
    // Heights rise 0.5 m per metre along x: z = 0.5 (x + 10).
    HeightField slope(21, 21, -10.0, -10.0, 1.0, 0.0);
    for (int i = 0; i < 21; ++i) {
        for (int j = 0; j < 21; ++j) {
            slope.setSample(i, j, 0.5 * i);
        }
    }
    slope.computeNormals();
    OneParticle one(Vector3D(2.0, 1.0, 6.0 + 0.001), &slope);
    one.p.position += Vector3D(0.03, 0.0, 0.0); // moving towards +x
    for (int i = 0; i < 10; ++i) {
        one.world.step();
    }
    EXPECT_DOUBLE_EQ(one.p.position.z, slope.heightAt(one.p.position.x, one.p.position.y));
    EXPECT_EQ(one.p.position.y, 1.0);
    EXPECT_EQ(one.world.velocityOf(one.p), Vector3D(0, 0, 0));
    EXPECT_GT(one.p.position.x, 2.0); // moved on in x within its landing step, not along the normal
}

TEST(TerrainContact, ANewHeightExactlyOnTheGroundCountsAsContact) {
    // Gravity off: the particle glides at z = 0 exactly and is stopped.
    Particle p;
    p.position = Vector3D(0, 0, 0);
    p.mass = 1.0;
    ParticleSystem world(0.0, 100);
    world.addParticle(&p);
    world.prepare();
    p.position = Vector3D(0.1, 0, 0);
    world.step();
    EXPECT_EQ(p.position, Vector3D(0.2, 0, 0));
    EXPECT_EQ(world.velocityOf(p), Vector3D(0, 0, 0));
}
