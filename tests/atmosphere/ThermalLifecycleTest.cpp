#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "atmosphere/RandomThermals.h"
#include "atmosphere/Sun.h"
#include "atmosphere/ThermalField.h"
#include "atmosphere/ThermalLifecycle.h"
#include "terrain/RidgeHeightField.h"

namespace {

constexpr double kDepth = 1500.0;
constexpr double kReference = updraft::kStrongestHeightFraction * kDepth;
constexpr double kDay = 1800.0; // (unit: s) half an hour

RandomThermals dayScatter() {
    RandomThermals scatter;
    scatter.count = 40;
    scatter.seed = 7;
    scatter.density = 1.0;
    scatter.updraft = 2.5;
    scatter.radius = 100.0;
    return scatter;
}

std::unique_ptr<ThermalField> dayField(bool living, std::uint64_t seed = 2026, const HeightField* terrain = nullptr,
                                       const ThermalLifecycle* given = nullptr) {
    const RandomThermals scatter = dayScatter();
    auto field = std::make_unique<ThermalField>(scatterThermals(scatter, 0.0, 0.0), kDepth, 0.0, 0.0,
                                                scatterArea(scatter));
    if (living) {
        ThermalLifecycle cycle = given != nullptr ? *given : ThermalLifecycle{};
        cycle.living = true;
        cycle.seed = seed;
        cycle.lifetime = 600.0;
        field->makeLiving(cycle, terrain);
    }
    return field;
}

// The mean of the rising air over the scatter's square, over the day.
double meanLift(const ThermalField& field) {
    const double half = 0.5 * std::sqrt(scatterArea(dayScatter()));
    double sum = 0.0;
    long samples = 0;
    for (double t = 0.0; t < kDay; t += 60.0) {
        for (double x = -half; x < half; x += 25.0) {
            for (double y = -half; y < half; y += 25.0) {
                sum += std::max(0.0, field.verticalVelocity(x, y, kReference, t));
                ++samples;
            }
        }
    }
    return sum / static_cast<double>(samples);
}

} // namespace

TEST(ThermalLife, RisesSmoothlyHoldsAndDecaysToNothing) {
    const double life = 1000.0;
    struct Case {
        double age;
        double low;
        double high;
    };
    const Case cases[] = {
        {-1.0, 0.0, 0.0}, {0.0, 0.0, 0.0},   {10.0, 0.0, 0.01}, {125.0, 0.45, 0.55}, {250.0, 1.0, 1.0},
        {500.0, 1.0, 1.0}, {700.0, 1.0, 1.0}, {850.0, 0.45, 0.55}, {995.0, 0.0, 0.01}, {1000.0, 0.0, 0.0},
        {5000.0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        const double s = lifecycle::strengthAt(c.age, life);
        EXPECT_GE(s, c.low) << "age " << c.age;
        EXPECT_LE(s, c.high) << "age " << c.age;
    }
    double previous = 0.0;
    for (double age = 0.0; age <= 250.0; age += 5.0) {
        EXPECT_GE(lifecycle::strengthAt(age, life), previous);
        previous = lifecycle::strengthAt(age, life);
    }
}

TEST(LivingThermals, OverASeededDayThermalsAppearAndDieAndLiftAsMuchAsStandingOnes) {
    const auto standing = dayField(false);
    const auto living = dayField(true);
    std::vector<ThermalNow> now(living->capacity());
    int born = 0;
    int died = 0;
    for (double t = 0.0; t <= kDay; t += 10.0) {
        const int count = living->thermalsAt(t, now.data(), static_cast<int>(now.size()));
        for (int i = 0; i < count; ++i) {
            EXPECT_GT(now[static_cast<std::size_t>(i)].strength, 0.0);
            EXPECT_LE(now[static_cast<std::size_t>(i)].strength, 1.0);
            born += now[static_cast<std::size_t>(i)].age < 10.0 ? 1 : 0;
            died += now[static_cast<std::size_t>(i)].life - now[static_cast<std::size_t>(i)].age <= 10.0 ? 1 : 0;
        }
        EXPECT_GT(count, 0) << "at " << t << " s";
    }
    EXPECT_GT(born, 20);
    EXPECT_GT(died, 20);

    const double ratio = meanLift(*living) / meanLift(*standing);
    EXPECT_GT(ratio, 0.8);
    EXPECT_LT(ratio, 1.2);
    std::printf("mean lift over the day, living over standing: %.3f\n", ratio);
}

TEST(LivingThermals, TheSameSeedGivesTheSameDayToTheBitAndAnotherSeedAnother) {
    const auto a = dayField(true, 11);
    const auto b = dayField(true, 11);
    const auto c = dayField(true, 12);
    int differs = 0;
    for (double t = 0.0; t <= kDay; t += 97.0) {
        for (double x = -2000.0; x <= 2000.0; x += 130.0) {
            const double wa = a->verticalVelocity(x, 0.3 * x, kReference, t);
            const double wb = b->verticalVelocity(x, 0.3 * x, kReference, t);
            ASSERT_EQ(std::memcmp(&wa, &wb, sizeof wa), 0) << "at " << t << " s, x " << x;
            differs += wa != c->verticalVelocity(x, 0.3 * x, kReference, t) ? 1 : 0;
        }
    }
    EXPECT_GT(differs, 100);
}

TEST(LivingThermals, NoneIsBornOverWaterOrOnTheSlopeTurnedFromTheSun) {
    // A ridge along x; a low sun from the south leaves its north face in
    // shade, and the plain up to 5 m is a lake.
    RidgeShape shape;
    shape.length = 6000.0;
    shape.breadth = 6000.0;
    shape.spacing = 20.0;
    const auto ridge = generateRidgeHeightField(shape);
    ThermalLifecycle cycle;
    cycle.sun = sun::direction(SunPosition{180.0, 20.0});
    cycle.waterLevel = 5.0;
    const auto field = dayField(true, 3, ridge.get(), &cycle);
    std::vector<ThermalNow> now(field->capacity());
    int seen = 0;
    for (double t = 0.0; t <= kDay; t += 30.0) {
        const int count = field->thermalsAt(t, now.data(), static_cast<int>(now.size()));
        for (int i = 0; i < count; ++i) {
            const ThermalNow& thermal = now[static_cast<std::size_t>(i)];
            EXPECT_GT(ridge->heightAt(thermal.x, thermal.y), 5.0);
            EXPECT_LT(thermal.y, 40.0) << "on the shaded face";
            ++seen;
        }
    }
    EXPECT_GT(seen, 0);
}
