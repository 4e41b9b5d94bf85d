#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/WindowGeometry.h"

namespace {

constexpr WindowGeometry kDefault{100, 100, 640, 480};
constexpr int kScreenWidth = 1024; // (unit: pixels)
constexpr int kScreenHeight = 768; // (unit: pixels)

void expectGeometry(const char* geometry, const WindowGeometry& expected) {
    const WindowGeometry g = applyGeometry(geometry, kDefault, kScreenWidth, kScreenHeight);
    EXPECT_EQ(g.x, expected.x) << geometry;
    EXPECT_EQ(g.y, expected.y) << geometry;
    EXPECT_EQ(g.width, expected.width) << geometry;
    EXPECT_EQ(g.height, expected.height) << geometry;
}

TEST(WindowGeometry, EachNamedPartOverridesTheDefaultAndTheRestStays) {
    expectGeometry("800x600+10+20", {10, 20, 800, 600});
    expectGeometry("=800x600+10+20", {10, 20, 800, 600});
    expectGeometry("320x200", {100, 100, 320, 200});
    expectGeometry("+30+40", {30, 40, 640, 480});
    expectGeometry("+0+0", {0, 0, 640, 480});
}

TEST(WindowGeometry, NegativeOffsetsCountFromTheFarEdgesWithTheFinalSize) {
    expectGeometry("-0-0", {kScreenWidth - 640, kScreenHeight - 480, 640, 480});
    expectGeometry("200x100-10+5", {kScreenWidth - 200 - 10, 5, 200, 100});
    expectGeometry("+5-20", {5, kScreenHeight - 480 - 20, 640, 480});
}

TEST(WindowGeometry, AnIncompleteOrUnusableSizeOrPositionKeepsTheDefault) {
    expectGeometry("", kDefault);
    expectGeometry("garbage", kDefault);
    expectGeometry("300", kDefault);      // a width alone
    expectGeometry("x300", kDefault);     // a height alone
    expectGeometry("0x0+10+20", {10, 20, 640, 480});
    expectGeometry("40000x600", kDefault); // larger than any X window
    expectGeometry("800x600+10", {100, 100, 800, 600});
}

TEST(WindowGeometry, TheLastGeometryOptionWithAValueIsTheOneUsed) {
    std::vector<std::string> words{"glider-sim", "-geometry", "1x1", "-geometry", "800x600", "-geometry"};
    std::vector<char*> argv;
    for (std::string& w : words) {
        argv.push_back(w.data());
    }
    EXPECT_STREQ(geometryOption(static_cast<int>(argv.size()), argv.data()), "800x600");
    EXPECT_EQ(geometryOption(1, argv.data()), nullptr);
    EXPECT_EQ(geometryOption(2, argv.data()), nullptr); // "-geometry" with nothing after it
}

} // namespace
