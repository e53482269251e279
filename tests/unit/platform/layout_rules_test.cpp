#include "platform/layout_rules.h"

#include <gtest/gtest.h>

#include <climits>

namespace nimbara {
namespace {

TEST(ScaleLength, RoundsHalfAwayFromZeroAsMulDivDoes) {
    const struct {
        int value, num, den, scaled;
    } cases[] = {
        {0, 21, 12, 0}, {12, 12, 12, 12},   {3, 14, 12, 4},  // 3.5 up
        {5, 3, 2, 8},   {-5, 3, 2, -8},     {1, 1, 3, 0},
        {2, 1, 3, 1},   {429, 18, 12, 644}, {INT_MAX, 2, 2, INT_MAX},  // no overflow inside
        {7, 5, 0, 7},   {7, 5, -1, 7},                                 // no scale to divide by
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScaleLength(c.value, c.num, c.den), c.scaled)
            << c.value << "*" << c.num << "/" << c.den;
}

TEST(LayoutScale, GoesByTheTextHeightOfTheFontAtTheWindowsDpi) {
    const struct {
        int dpi, char_height;
    } cases[] = {{96, 12}, {120, 15}, {144, 18}, {192, 24}, {72, 9}};
    for (const auto& c : cases) EXPECT_EQ(DesignedCharHeight(c.dpi), c.char_height) << c.dpi;
    EXPECT_EQ(ScaleForTextHeight(18), (LayoutScale{18, 12}));
    EXPECT_EQ(ScaleForTextHeight(18)(429), 644);
    // A height that could not be measured keeps the design.
    EXPECT_EQ(ScaleForTextHeight(0), LayoutScale{});
    EXPECT_EQ(ScaleForTextHeight(-3), LayoutScale{});
}

TEST(SaneDpi, TakesWhatAMonitorCanHaveElseTheFallback) {
    const struct {
        long long reported;
        int dpi;
    } cases[] = {{96, 96},   {144, 144}, {192, 192},
                 {768, 768}, {0, 120},   {47, 120},
                 {769, 120}, {-96, 120}, {0x1'0000'0060LL, 120}};
    for (const auto& c : cases) EXPECT_EQ(SaneDpi(c.reported, 120), c.dpi) << c.reported;
}

TEST(PlanArtwork, DesignedAtItsSizeElseTheDoubleInBlocksThenAveragedDown) {
    const struct {
        int designed, target;
        bool uses_designed;
        int repeat;
        bool averaged;
    } cases[] = {
        {32, 32, true, 1, false},    // 96 dpi: as designed
        {32, 40, false, 1, true},    // 120
        {32, 48, false, 1, true},    // 144
        {32, 64, false, 1, false},   // 192: the double as it is
        {32, 80, false, 2, true},    // 240: blocks of 2, then down
        {32, 128, false, 2, false},  // 384
        {32, 24, false, 1, true},    // below the design
        {0, 10, true, 1, false},     // nothing designed
    };
    for (const auto& c : cases) {
        const ArtworkPlan plan = PlanArtwork(c.designed, c.target);
        EXPECT_EQ(plan.designed, c.uses_designed) << c.designed << " to " << c.target;
        EXPECT_EQ(plan.repeat, c.repeat) << c.designed << " to " << c.target;
        EXPECT_EQ(plan.AveragedDown(c.designed, c.target), c.averaged)
            << c.designed << " to " << c.target;
    }
    EXPECT_EQ(ArtworkLength(9, 144), 14);
    EXPECT_EQ(ArtworkLength(32, 96), 32);
}

TEST(PlaceAfterDpiChange, ScalesAboutThePointerInsideElseKeepsTheCorner) {
    const ScreenBox before{100, 50, 535, 417};  // 435 x 367
    const struct {
        const char* name;
        int width, height, anchor_x, anchor_y;
        ScreenBox after;
    } cases[] = {
        {"corner kept", 652, 550, 100, 50, {100, 50, 752, 600}},
        {"pointer on the strip's middle", 652, 550, 317, 60, {-8, 45, 644, 595}},
        {"pointer at the far corner", 652, 550, 534, 416, {-117, -133, 535, 417}},
        {"pointer outside: the corner", 652, 550, 600, 60, {100, 50, 752, 600}},
        {"smaller about the pointer", 290, 245, 317, 60, {172, 53, 462, 298}},
        {"same size", 435, 367, 317, 60, before},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlaceAfterDpiChange(before, c.width, c.height, c.anchor_x, c.anchor_y), c.after)
            << c.name;
    }
    // A window of no size has nothing to scale about.
    EXPECT_EQ(PlaceAfterDpiChange({10, 10, 10, 10}, 5, 5, 10, 10), (ScreenBox{10, 10, 15, 15}));
}

}  // namespace
}  // namespace nimbara
