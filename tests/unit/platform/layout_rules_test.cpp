#include "platform/layout_rules.h"

#include <gtest/gtest.h>

#include <climits>

namespace nimbara {
namespace {

TEST(LayoutRules, ScalesByTheTextHeightRoundingAsMulDivDoes) {
    const struct {
        int value, num, den, scaled;
    } cases[] = {{0, 21, 12, 0},           {3, 14, 12, 4}, {-5, 3, 2, -8},    {2, 1, 3, 1},
                 {INT_MAX, 2, 2, INT_MAX}, {7, 5, 0, 7},   {429, 18, 12, 644}};
    for (const auto& c : cases)
        EXPECT_EQ(ScaleLength(c.value, c.num, c.den), c.scaled) << c.value << "*" << c.num;
    // 9 points at 96, 120, 144 and 192 dpi; a height not measured keeps the design.
    EXPECT_EQ(DesignedCharHeight(120), 15);
    EXPECT_EQ(DesignedCharHeight(192), 24);
    EXPECT_EQ(ScaleForTextHeight(18)(429), 644);
    EXPECT_EQ(ScaleForTextHeight(0), LayoutScale{});
}

TEST(LayoutRules, ArtworkIsDesignedAt96DpiElseTheDoubleInBlocksThenAveragedDown) {
    const struct {
        int target;
        bool designed;
        int repeat;
        bool averaged;
    } cases[] = {{32, true, 1, false},  {40, false, 1, true}, {48, false, 1, true},
                 {64, false, 1, false}, {80, false, 2, true}, {128, false, 2, false},
                 {24, false, 1, true}};
    for (const auto& c : cases) {
        const ArtworkPlan plan = PlanArtwork(32, c.target);
        EXPECT_EQ(plan.designed, c.designed) << c.target;
        EXPECT_EQ(plan.repeat, c.repeat) << c.target;
        EXPECT_EQ(plan.AveragedDown(32, c.target), c.averaged) << c.target;
    }
    EXPECT_EQ(ArtworkLength(9, 144), 14);
}

TEST(LayoutRules, PlaceAfterADpiChangeScalesAboutThePointerInsideElseKeepsTheCorner) {
    const ScreenBox before{100, 50, 535, 417};
    const struct {
        int width, height, anchor_x, anchor_y;
        ScreenBox after;
    } cases[] = {
        {652, 550, 100, 50, {100, 50, 752, 600}},      // the corner
        {652, 550, 317, 60, {-8, 45, 644, 595}},       // dragged by the strip's middle
        {652, 550, 534, 416, {-117, -133, 535, 417}},  // by the far corner
        {652, 550, 600, 60, {100, 50, 752, 600}},      // pointer outside: the corner
        {290, 245, 317, 60, {172, 53, 462, 298}},      // smaller
    };
    for (const auto& c : cases)
        EXPECT_EQ(PlaceAfterDpiChange(before, c.width, c.height, c.anchor_x, c.anchor_y), c.after)
            << c.anchor_x << "," << c.anchor_y;
    EXPECT_EQ(PlaceAfterDpiChange({10, 10, 10, 10}, 5, 5, 10, 10), (ScreenBox{10, 10, 15, 15}));
}

}  // namespace
}  // namespace nimbara
