#include "platform/placement_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace nimbara {
namespace {

// One 1024 × 768 monitor with its taskbar along one edge (the work area given).
std::vector<MonitorArea> Alone(ScreenRect work, int dpi = 96) {
    return {{{0, 0, 1024, 768}, work, dpi}};
}
ScreenRect At(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

// Side by side: 1920 × 1080 at 100 % on the left, 2560 × 1440 at 200 % on its right.
const std::vector<MonitorArea> kTwo = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 96},
                                       {{1920, 0, 4480, 1440}, {1920, 0, 4480, 1400}, 192}};
const std::vector<MonitorArea> kLeft = {kTwo[0]};
const std::vector<MonitorArea> kBottom = Alone({0, 0, 1024, 728});
// The grid's outer size at 96 and at 144 dpi.
constexpr int kW = 435, kH = 372, kW144 = 757, kH144 = 642;

// Opened; opened after the user moved it; a change of the monitors under it, after that.
enum When { kOpen, kMoved, kChange, kMovedChange };

TEST(Placement, OpensOnTheUsersMonitorMovedInOnlyAsFarAsNeededAndStaysWhollyInSight) {
    const struct {
        const char* name;
        When when;
        std::vector<MonitorArea> monitors;
        std::size_t user_monitor;
        ScreenRect now;
        ScreenPoint expected;
    } cases[] = {
        {"96 dpi: where it always was", kOpen, kBottom, 0, At(9, 9, kW, kH), {278, 169}},
        {"144 dpi", kOpen, Alone({0, 0, 1024, 728}, 144), 0, At(9, 9, kW144, kH144), {267, 86}},
        {"taskbar on top", kOpen, Alone({0, 200, 1024, 768}), 0, At(9, 9, kW, kH), {278, 200}},
        {"taskbar left", kOpen, Alone({300, 0, 1024, 768}), 0, At(9, 9, kW, kH), {300, 169}},
        {"taskbar right", kOpen, Alone({0, 0, 964, 768}), 0, At(9, 9, kW144, kH144), {207, 126}},
        {"too large", kOpen, Alone({60, 0, 1024, 768}), 0, At(9, 9, 1100, 800), {60, 0}},
        {"at 200 %: twice the size", kOpen, kTwo, 1, At(9, 9, 1200, 600), {4480 - 2400, 169}},
        {"at 100 %: half the size", kOpen, kTwo, 0, At(1920, 0, 2560, 1400), {278, 169}},
        {"the user's monitor removed", kOpen, kBottom, 1, At(2198, 169, kW, kH), {278, 169}},
        {"no monitor known", kOpen, {}, 0, At(9, 9, kW, kH), {9, 9}},
        {"moved across both", kMoved, kTwo, 0, At(1700, 900, kW, 180), {1700, 900}},
        {"moved half off", kMoved, kTwo, 1, At(100, 900, kW, kH), {100, 1040 - kH}},
        {"moved off every monitor", kMoved, kTwo, 1, At(-900, -50, kW, kH), {0, 0}},
        {"still in the work area", kChange, kTwo, 0, At(2198, 169, 870, 744), {2198, 169}},
        {"its monitor removed", kChange, kLeft, 0, At(2198, 169, kW, kH), {278, 169}},
        {"a lower resolution", kChange, kBottom, 0, At(278, 169, kW144, kH144), {267, 86}},
        {"moved, monitor gone", kMovedChange, kLeft, 0, At(3000, 900, kW, kH), {1485, 668}},
    };
    for (const auto& c : cases) {
        const PlacementFacts facts{
            c.monitors, {278, 169}, c.now, c.when == kMoved || c.when == kMovedChange};
        EXPECT_EQ(c.when <= kMoved ? PlaceOnOpening(facts, c.user_monitor)
                                   : PlaceAfterDisplayChange(facts),
                  c.expected)
            << c.name;
    }
}

}  // namespace
}  // namespace nimbara
