#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "physics/FloatRounding.h"
#include "terrain/RandomHeightField.h"
#include "terrain/TerrainNoise.h"
#include "tests/support/FloatingPointTraps.h"

namespace {

constexpr double kNoiseStep = 3.0517578125e-6; // 0.1 / 32768

// The crossed sines of sample (i, j), the column term rounded to float.
double sinesAt(int i, int j, int columns, int rows) {
    const float columnTerm = roundedToFloat(std::sin((i - columns / 2) * 0.25));
    return std::sin((j - rows / 2) * 0.25) + columnTerm;
}

// The noise value behind a sample of a terrain generated with amplitude 1,
// as a real number: whole when the sample is sines plus noise.
double noiseBehind(const HeightField& field, int i, int j) {
    return (field.sample(i, j) - sinesAt(i, j, field.columnCount(), field.rowCount())) / kNoiseStep;
}

bool isWholeNoise(double noise) {
    return std::fabs(noise - std::round(noise)) < 1e-6 && noise > -0.5 && noise < 32767.5;
}

// Runs `check` in a newly started copy of this test program, as the
// simulator's start-up does. The child prints what it saw and exits 0
// when the check holds.
template <class Check>
void expectInFreshProcess(Check check) {
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // re-executes instead of forking this process
    EXPECT_EXIT(std::exit(check() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST(TerrainNoise, FollowsTheFixedSeedSequence) {
    TerrainNoise noise;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
    for (int value : expected) {
        EXPECT_EQ(noise.next(), value);
    }
}

TEST(RandomHeightField, FirstTerrainOfAProcessIsAlwaysTheSame) {
    expectInFreshProcess([] {
        const auto field = generateRandomHeightField(100, 100, 6.0);
        const double first = field->sample(0, 0);
        const double exactFirst = 6.0 * (sinesAt(0, 0, 100, 100) + 41 * kNoiseStep);
        const double centre = field->sample(50, 50); // both sines vanish: noise alone
        TerrainNoise noise;
        for (int draw = 1; draw < 50 * 100 + 50 + 1; ++draw) {
            noise.next();
        }
        const double exactCentre = 6.0 * (0.0 + noise.next() * kNoiseStep);
        std::fprintf(stderr, "first %.17g centre %.17g lowest %.17g highest %.17g\n", first, centre,
                     field->lowest(), field->highest());
        return first == exactFirst && std::fabs(first - 0.80) < 0.005 && centre == exactCentre &&
               std::fabs(centre - 0.09) < 0.005 && std::fabs(field->lowest() + 11.9) < 0.05 &&
               std::fabs(field->highest() - 12.5) < 0.05;
    });
}

TEST(RandomHeightField, AHandedGeneratorContinuesTheNoiseSequence) {
    TerrainNoise noise;
    const auto first = generateRandomHeightField(1, 4, 1.0, noise);
    const auto second = generateRandomHeightField(1, 1, 1.0, noise);
    const double drawn[] = {noiseBehind(*first, 0, 0), noiseBehind(*first, 0, 1), noiseBehind(*first, 0, 2),
                            noiseBehind(*first, 0, 3), noiseBehind(*second, 0, 0)};
    EXPECT_LT(std::fabs(drawn[0] - 41) + std::fabs(drawn[1] - 18467) + std::fabs(drawn[2] - 6334) +
                  std::fabs(drawn[3] - 26500) + std::fabs(drawn[4] - 19169),
              1e-6)
        << drawn[0] << " " << drawn[1] << " " << drawn[2] << " " << drawn[3] << " " << drawn[4];
}

TEST(RandomHeightField, GridIsCentredAtFiveMetreSpacing) {
    const auto field = generateRandomHeightField(100, 100, 6.0);
    EXPECT_EQ(field->columnCount(), 100);
    EXPECT_EQ(field->rowCount(), 100);
    EXPECT_EQ(field->gridSpacing(), 5.0);
    EXPECT_EQ(field->gridOriginX(), -250.0);
    EXPECT_EQ(field->gridOriginY(), -250.0);
    EXPECT_TRUE(field->hasNormals());
}

// Odd counts truncate the half: 101 columns put the vanishing column term at
// column 50, so the terrain runs from sin(-12.5) to sin(12.5). Whole noise
// steps behind every sample also bound it to [-2, 2.1) times the amplitude.
class RandomHeightFieldShape : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(RandomHeightFieldShape, EverySampleIsTheSinesPlusWholeNoiseSteps) {
    FloatingPointTraps traps;
    const auto [columns, rows] = GetParam();
    const auto field = generateRandomHeightField(columns, rows, 1.0);
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            ASSERT_TRUE(isWholeNoise(noiseBehind(*field, i, j)))
                << "sample (" << i << ", " << j << ") of " << columns << " x " << rows << " = " << field->sample(i, j);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, RandomHeightFieldShape,
                         ::testing::Values(std::make_pair(100, 100), std::make_pair(101, 3), std::make_pair(3, 101),
                                           std::make_pair(1, 1)));

// Each call starts its own generator, so a process can build any number of
// worlds and each gets the terrain a process's first call gives; terrains
// from one handed generator differ only in their noise.
TEST(RandomHeightField, RepeatedCallsAreIdenticalUnlessTheyShareAGenerator) {
    const auto first = generateRandomHeightField(20, 20, 2.0);
    const auto again = generateRandomHeightField(20, 20, 2.0);
    TerrainNoise shared;
    const auto sharedFirst = generateRandomHeightField(20, 20, 2.0, shared);
    const auto sharedSecond = generateRandomHeightField(20, 20, 2.0, shared);
    int differing = 0;
    for (int i = 0; i < 20; ++i) {
        for (int j = 0; j < 20; ++j) {
            EXPECT_EQ(again->sample(i, j), first->sample(i, j));
            EXPECT_EQ(sharedFirst->sample(i, j), first->sample(i, j));
            const double change = sharedSecond->sample(i, j) - sharedFirst->sample(i, j);
            EXPECT_LT(std::fabs(change), 0.1 * 2.0);
            differing += change != 0.0 ? 1 : 0;
        }
    }
    EXPECT_GT(differing, 0);
}

TEST(RandomHeightField, ZeroAmplitudeIsFlatAtZero) {
    const auto field = generateRandomHeightField(10, 10, 0.0);
    EXPECT_EQ(field->lowest(), 0.0);
    EXPECT_EQ(field->highest(), 0.0);
    EXPECT_EQ(field->heightAt(3.0, -7.0), 0.0);
    EXPECT_EQ(field->normalAt(4, 4).z, 1.0);
}

} // namespace
