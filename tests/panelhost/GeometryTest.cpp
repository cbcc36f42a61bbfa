// Needle angles, hit-testing and drawing: the host's pure parts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "panelhost/MouseMap.h"
#include "panelhost/NeedleDial.h"
#include "panelhost/Raster.h"

namespace {

using namespace tavrix::panel;

const DialPoint kFlapsTable[] = {{0, 151, 0},       {30, 73, 2050},    {202, 18, 6143},  {271, 75, 8190},
                                 {271, 228, 12253}, {201, 283, 14331}, {103, 281, 16382}};

TEST(NeedleDial, EntryAnglesSeenFromThePivot) {
    NeedleDial dial(151, 151, kFlapsTable);
    const double expected[] = {180.0, 147.2, 69.0, 32.3, -32.7, -69.3, -110.3};
    for (std::size_t i = 0; i < 7; ++i) EXPECT_NEAR(dial.entryAngle(i), expected[i], 0.05) << i;
}

TEST(NeedleDial, InterpolatesBetweenEntriesAndClampsOutside) {
    NeedleDial dial(151, 151, kFlapsTable);
    EXPECT_NEAR(dial.angleFor(8190), 32.3, 0.05);
    EXPECT_DOUBLE_EQ(dial.angleFor(16383), dial.entryAngle(6));  // above the last entry
    EXPECT_DOUBLE_EQ(dial.angleFor(1e9), dial.entryAngle(6));
    EXPECT_DOUBLE_EQ(dial.angleFor(-5), dial.entryAngle(0));
    EXPECT_DOUBLE_EQ(dial.angleFor(std::numeric_limits<double>::quiet_NaN()), dial.entryAngle(0));
    const double mid = (dial.entryAngle(3) + dial.entryAngle(4)) / 2;
    EXPECT_NEAR(dial.angleFor((8190 + 12253) / 2.0), mid, 1e-9);
}

TEST(NeedleDial, StepsAcrossTheBackTurnTheShorterWay) {
    // Screen y points down: these are -170 and then 170 degrees, 20 degrees
    // apart through 180, not 340 degrees back through 0.
    const DialPoint points[] = {{-100, 17.6, 0}, {-100, -17.6, 10}};
    NeedleDial dial(0, 0, points);
    EXPECT_NEAR(dial.entryAngle(1) - dial.entryAngle(0), -20.0, 0.1);
    EXPECT_NEAR(std::fabs(dial.angleFor(5)), 180.0, 0.1);
}

TEST(NeedleDial, TurnIsLimitedPerUpdate) {
    EXPECT_DOUBLE_EQ(turnToward(180, 32.3, 6), 174);
    EXPECT_DOUBLE_EQ(turnToward(30, 32.3, 6), 32.3);
    EXPECT_DOUBLE_EQ(turnToward(-100, -110.3, 6), -106);
    EXPECT_DOUBLE_EQ(turnToward(0, 90, 0), 90);  // no limit
}

MouseMap flapsMouse() {
    return MouseMap({{1, 0, 0, 0, 0, -1, 0, 0},
                     {2, 0, 0, 302, 150, 2, kClickLeftSingle, 1},
                     {2, 0, 151, 302, 302, 1, kClickLeftSingle, 2},
                     {3, 0, 0, 0, 0, -1, 0, 3}},
                    302, 302);
}

TEST(MouseMap, HalvesOfTheDialAtFullSize) {
    const MouseMap m = flapsMouse();
    struct Case {
        double y;
        std::optional<std::size_t> index;
        std::int32_t cursor;
    } cases[] = {{0, 1, 2},   {149.9, 1, 2}, {150, std::nullopt, -1}, {150.99, std::nullopt, -1},
                 {151, 2, 1}, {301.5, 2, 1}, {302, std::nullopt, -1}};
    for (const Case& c : cases) {
        const auto hit = m.click(100, c.y, 302, 302, kClickLeftSingle);
        EXPECT_EQ(hit ? std::optional<std::size_t>(hit->index) : std::nullopt, c.index) << "row " << c.y;
        EXPECT_EQ(m.cursorAt(100, c.y, 302, 302), c.cursor) << "row " << c.y;
    }
}

TEST(MouseMap, ScalesBoxesToTheGaugeAsShown) {
    const MouseMap m = flapsMouse();
    // At 151 pixels wide, shown row 75 is background row 150: neither half.
    EXPECT_FALSE(m.click(10, 75, 151, 151, kClickLeftSingle));
    EXPECT_EQ(m.click(10, 74.9, 151, 151, kClickLeftSingle)->index, 1u);
    EXPECT_EQ(m.click(10, 75.5, 151, 151, kClickLeftSingle)->index, 2u);
    const auto hit = m.click(40, 100, 151, 151, kClickLeftSingle);
    EXPECT_EQ(hit->bgX, 80);
    EXPECT_EQ(hit->bgY, 200);
}

TEST(MouseMap, OnlyTheRectanglesClickKindCounts) {
    const MouseMap m = flapsMouse();
    for (std::uint32_t kind : {kClickRightSingle, kClickMiddleSingle, kClickLeftDouble, 0u})
        EXPECT_FALSE(m.click(100, 50, 302, 302, kind)) << kind;
}

TEST(MouseMap, ParentsAndEmptyListsTakeNoClicks) {
    const MouseMap parentsOnly({{1, 0, 0, 302, 302, 5, kClickLeftSingle, 0}}, 302, 302);
    EXPECT_FALSE(parentsOnly.click(10, 10, 302, 302, kClickLeftSingle));
    const MouseMap none;
    EXPECT_FALSE(none.click(10, 10, 302, 302, kClickLeftSingle));
    EXPECT_EQ(none.cursorAt(10, 10, 302, 302), -1);
}

Image solid(int w, int h, std::uint32_t c) {
    return Image{w, h, std::vector<std::uint32_t>(w * h, c)};
}

TEST(Raster, TransparentImagesLeavePureBlackUndrawn) {
    Image target = solid(4, 1, rgb(9, 9, 9));
    Image src{4, 1, {0, rgb(200, 0, 0), 0, rgb(0, 200, 0)}};
    drawScaled(target, src, 0, 0, 1.0, {.transparent = true});
    EXPECT_EQ(target.pixels,
              (std::vector<std::uint32_t>{rgb(9, 9, 9), rgb(200, 0, 0), rgb(9, 9, 9), rgb(0, 200, 0)}));
    drawScaled(target, src, 0, 0, 1.0, {});
    EXPECT_EQ(target.at(0, 0), 0u);
}

TEST(Raster, SmoothedScalingNeverBleedsTheTransparentBlack) {
    Image target = solid(8, 8, rgb(100, 100, 100));
    Image src{2, 2, {0, rgb(240, 240, 240), 0, rgb(240, 240, 240)}};
    drawScaled(target, src, 0, 0, 4.0, {.transparent = true, .smoothed = true});
    for (std::uint32_t c : target.pixels)
        EXPECT_TRUE(c == rgb(100, 100, 100) || c == rgb(240, 240, 240)) << c;
}

TEST(Raster, RotationTurnsAboutThePivotCounterClockwise) {
    // A 5 x 1 needle pointing right from its pivot at the left end.
    Image needle{
        5, 1, {rgb(1, 1, 1), rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255), rgb(255, 255, 255)}};
    Image target = solid(11, 11, 0);
    drawRotated(target, needle, 0.5, 0.5, 5.5, 5.5, 90.0, 1.0, {.transparent = true});
    EXPECT_EQ(target.at(5, 5), rgb(1, 1, 1));
    EXPECT_EQ(target.at(5, 1), rgb(255, 255, 255));  // 90 degrees: straight up on the screen
    EXPECT_EQ(target.at(5, 9), 0u);
    EXPECT_EQ(target.at(9, 5), 0u);
}

TEST(Raster, LightingDarkensOnlyWhatIsNotBright) {
    Image target = solid(1, 1, 0);
    Image src = solid(1, 1, rgb(200, 100, 50));
    drawScaled(target, src, 0, 0, 1.0, {.brightness = 0.5});
    EXPECT_EQ(target.at(0, 0), rgb(100, 50, 25));
}

}  // namespace
