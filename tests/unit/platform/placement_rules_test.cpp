#include "platform/placement_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace nimbara {
namespace {

constexpr ScreenPoint kMainDesigned{278, 169};
constexpr ScreenRect kDesktop{0, 0, 1024, 768};

// A 1024 × 768 monitor at 96 dpi with a taskbar along one edge.
MonitorArea Alone(ScreenRect work) { return {kDesktop, work}; }
// A window of `width` × `height` with its top-left corner at `at`.
ScreenRect Window(ScreenPoint at, int width, int height) {
    return {at.x, at.y, at.x + width, at.y + height};
}

// Two side by side: a 1920 × 1080 monitor at 100 % on the left, a 2560 × 1440 one at
// 200 % on its right, each with its taskbar at the bottom.
const std::vector<MonitorArea> kTwo = {
    {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 96},
    {{1920, 0, 4480, 1440}, {1920, 0, 4480, 1400}, 192},
};
// The grid at 96 dpi and at 144 dpi (outer sizes).
constexpr int kW96 = 435, kH96 = 372, kW144 = 757, kH144 = 642;

TEST(PlaceOnOpening, DesignedOffsetOnTheUsersMonitorMovedInOnlyAsFarAsNeeded) {
    const std::vector<MonitorArea> bottom{Alone({0, 0, 1024, 728})};
    const std::vector<MonitorArea> top{Alone({0, 40, 1024, 768})};
    const std::vector<MonitorArea> left{Alone({60, 0, 1024, 768})};
    const std::vector<MonitorArea> right{Alone({0, 0, 964, 768})};
    const std::vector<MonitorArea> thick_top{Alone({0, 200, 1024, 768})};
    const std::vector<MonitorArea> thick_left{Alone({300, 0, 1024, 768})};
    const std::vector<MonitorArea> high{{kDesktop, {0, 0, 1024, 728}, 144}};
    const ScreenPoint there{500, 300};
    const struct {
        const char* name;
        const std::vector<MonitorArea>& monitors;
        std::size_t user_monitor;
        ScreenRect now;
        ScreenPoint expected;
    } cases[] = {
        {"one monitor at 96 dpi: where it always was",
         bottom,
         0,
         Window(there, kW96, kH96),
         {278, 169}},
        {"144 dpi on 1024 x 768: in from the right and the taskbar",
         high,
         0,
         Window(there, kW144, kH144),
         {267, 86}},
        {"taskbar at the top", top, 0, Window(there, kW144, kH144), {267, 126}},
        {"taskbar on the left", left, 0, Window(there, kW144, kH144), {267, 126}},
        {"taskbar on the right", right, 0, Window(there, kW144, kH144), {207, 126}},
        {"a bar thicker than the offset at the top",
         thick_top,
         0,
         Window(there, kW96, kH96),
         {278, 200}},
        {"a bar thicker than the offset on the left",
         thick_left,
         0,
         Window(there, kW96, kH96),
         {300, 169}},
        {"larger than the work area: at its top-left corner",
         left,
         0,
         Window(there, 1100, 800),
         {60, 0}},
        {"the user on the right monitor at 200 %: twice the size there",
         kTwo,
         1,
         Window({278, 169}, kW96, kH96),
         {2198, 169}},
        {"back on the left at 100 %: half the size",
         kTwo,
         0,
         Window({2198, 169}, 870, 744),
         {278, 169}},
        {"twice the size does not fit at the offset on the right",
         kTwo,
         1,
         Window({278, 169}, 1200, 600),
         {4480 - 2400, 169}},
        {"the user's monitor removed: on the first",
         bottom,
         1,
         Window({2198, 169}, kW96, kH96),
         {278, 169}},
    };
    for (const auto& c : cases) {
        const PlacementFacts facts{.monitors = c.monitors, .designed = kMainDesigned, .now = c.now};
        EXPECT_EQ(PlaceOnOpening(facts, c.user_monitor), c.expected) << c.name;
    }
}

TEST(PlaceOnOpening, AWindowTheUserMovedStaysWhileWhollyOnTheScreen) {
    const struct {
        const char* name;
        ScreenRect now;
        ScreenPoint expected;
    } cases[] = {
        {"on the right monitor", Window({3000, 900}, kW96, kH96), {3000, 900}},
        {"across both monitors", Window({1700, 100}, kW96, kH96), {1700, 100}},
        {"over the taskbar", Window({100, 1000}, kW96, 80), {100, 1000}},
        {"half below the left monitor: up into its work area",
         Window({100, 900}, kW96, kH96),
         {100, 1040 - kH96}},
        {"off every monitor: onto the nearest", Window({-900, -50}, kW96, kH96), {0, 0}},
    };
    for (const auto& c : cases) {
        const PlacementFacts facts{
            .monitors = kTwo, .designed = kMainDesigned, .now = c.now, .moved_by_user = true};
        EXPECT_EQ(PlaceOnOpening(facts, 0), c.expected) << c.name;
    }
}

TEST(PlaceAfterDisplayChange, BackWhollyOntoAMonitorOnlyWhenItIsNoLongerThere) {
    const std::vector<MonitorArea> left_only{kTwo[0]};
    const std::vector<MonitorArea> shrunk{Alone({0, 0, 1024, 728})};
    const std::vector<MonitorArea> none;
    const struct {
        const char* name;
        const std::vector<MonitorArea>& monitors;
        ScreenRect now;
        bool moved_by_user;
        ScreenPoint expected;
    } cases[] = {
        {"still in the work area", kTwo, Window({2198, 169}, 870, 744), false, {2198, 169}},
        {"its monitor removed: at the offset on the one left",
         left_only,
         Window({2198, 169}, kW96, kH96),
         false,
         {278, 169}},
        {"the resolution lowered under it",
         shrunk,
         Window({278, 169}, kW144, kH144),
         false,
         {267, 86}},
        {"moved by the user, still on the screen",
         shrunk,
         Window({500, 500}, kW96, 250),
         true,
         {500, 500}},
        {"moved by the user, now half off: in as little as needed",
         shrunk,
         Window({900, 500}, kW96, kH96),
         true,
         {1024 - kW96, 728 - kH96}},
        {"moved by the user, its monitor removed",
         left_only,
         Window({3000, 900}, kW96, kH96),
         true,
         {1920 - kW96, 1040 - kH96}},
        {"no monitor known: it stays", none, Window({2198, 169}, kW96, kH96), false, {2198, 169}},
    };
    for (const auto& c : cases) {
        const PlacementFacts facts{.monitors = c.monitors,
                                   .designed = kMainDesigned,
                                   .now = c.now,
                                   .moved_by_user = c.moved_by_user};
        EXPECT_EQ(PlaceAfterDisplayChange(facts), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace nimbara
