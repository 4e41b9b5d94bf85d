#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "atmosphere/RandomThermals.h"
#include "atmosphere/ThermalField.h"
#include "pilot/CloudLayout.h"
#include "terrain/RidgeHeightField.h"

namespace {

constexpr double kDepth = 1500.0;

std::unique_ptr<ThermalField> livingDay(const HeightField* ground) {
    RandomThermals scatter;
    scatter.count = 30;
    scatter.seed = 5;
    auto field = std::make_unique<ThermalField>(scatterThermals(scatter, 0.0, 0.0), kDepth, 2.0, 1.0,
                                                scatterArea(scatter));
    ThermalLifecycle cycle;
    cycle.living = true;
    cycle.lifetime = 400.0;
    field->makeLiving(cycle, ground);
    return field;
}

// The cloud whose core puff stands over (x, y), or null.
const CloudLayout::Puff* cloudOver(const CloudLayout& layout, int count, double x, double y) {
    for (int i = 0; i < count; i += CloudLayout::kPuffsPerCloud) {
        const CloudLayout::Puff& core = layout.puffs()[static_cast<std::size_t>(i)];
        if (std::hypot(core.x - x, core.y - y) < 1e-6) {
            return &core;
        }
    }
    return nullptr;
}

} // namespace

// Over a seeded day of drifting thermals: a cloud at the layer's top over
// every thermal at full strength, none over one still young or nearly dead
// (and none over the dead, which are not there at all), and a cloud's size
// follows its thermal's strength.
TEST(CloudLayout, ACloudStandsOverEveryMatureThermalAndOverNoneYoungOrDying) {
    const auto ground = generateFlatHeightField(8000.0, 100.0);
    const auto field = livingDay(ground.get());
    CloudLayout layout(field.get(), ground.get());
    std::vector<ThermalNow> thermals(field->capacity());
    int mature = 0;
    int bare = 0;
    for (double t = 0.0; t <= 1800.0; t += 30.0) {
        const int puffs = layout.layOut(t);
        const int count = field->thermalsAt(t, thermals.data(), static_cast<int>(thermals.size()));
        int clouds = 0;
        for (int i = 0; i < count; ++i) {
            const ThermalNow& thermal = thermals[static_cast<std::size_t>(i)];
            const CloudLayout::Puff* cloud = cloudOver(layout, puffs, thermal.x, thermal.y);
            if (thermal.strength >= 1.0) {
                ASSERT_NE(cloud, nullptr) << "no cloud over a mature thermal at " << t << " s";
                EXPECT_GT(cloud->z, kDepth);
                EXPECT_NEAR(cloud->radius, 0.62 * CloudLayout::fullRadius(thermal.radius), 1e-9);
                ++mature;
            } else if (thermal.strength <= CloudLayout::kFirstShare) {
                EXPECT_EQ(cloud, nullptr) << "a cloud over a thermal at " << thermal.strength << " of its peak";
                ++bare;
            } else if (cloud != nullptr) {
                EXPECT_LT(cloud->radius, 0.62 * CloudLayout::fullRadius(thermal.radius));
            }
            clouds += cloud != nullptr ? 1 : 0;
        }
        EXPECT_EQ(clouds * CloudLayout::kPuffsPerCloud, puffs) << "a cloud over no thermal at " << t << " s";
    }
    EXPECT_GT(mature, 100);
    EXPECT_GT(bare, 10);
}
