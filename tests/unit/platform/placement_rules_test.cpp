#include "platform/placement_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace nimbara {
namespace {

// One 1024 × 768 monitor at 96 dpi with its taskbar along one edge (the work area given).
std::vector<MonitorArea> Alone(ScreenRect work, int dpi = 96) {
    return {{{0, 0, 1024, 768}, work, dpi}};
}
ScreenRect At(int x, int y, int width, int height) { return {x, y, x + width, y + height}; }

// Side by side: 1920 × 1080 at 100 % on the left, 2560 × 1440 at 200 % on its right.
const std::vector<MonitorArea> kTwo = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 96},
                                       {{1920, 0, 4480, 1440}, {1920, 0, 4480, 1400}, 192}};
const std::vector<MonitorArea> kLeftOnly = {kTwo[0]};
const std::vector<MonitorArea> kBottomBar = Alone({0, 0, 1024, 728});
// The grid's outer size at 96 and at 144 dpi.
constexpr int kW = 435, kH = 372, kW144 = 757, kH144 = 642;

enum class When { kOpening, kUserMoved, kDisplayChange, kMovedThenDisplayChange };

TEST(Placement, OpensOnTheUsersMonitorMovedInOnlyAsFarAsNeededAndStaysWhollyInSight) {
    const struct {
        const char* name;
        When when;
        std::vector<MonitorArea> monitors;
        std::size_t user_monitor;
        ScreenRect now;
        ScreenPoint expected;
    } cases[] = {
        {"one monitor at 96 dpi: where it always was",
         When::kOpening,
         kBottomBar,
         0,
         At(9, 9, kW, kH),
         {278, 169}},
        {"144 dpi on 1024 x 768",
         When::kOpening,
         Alone({0, 0, 1024, 728}, 144),
         0,
         At(9, 9, kW144, kH144),
         {267, 86}},
        {"taskbar at the top",
         When::kOpening,
         Alone({0, 200, 1024, 768}),
         0,
         At(9, 9, kW, kH),
         {278, 200}},
        {"taskbar on the left",
         When::kOpening,
         Alone({300, 0, 1024, 768}),
         0,
         At(9, 9, kW, kH),
         {300, 169}},
        {"taskbar on the right",
         When::kOpening,
         Alone({0, 0, 964, 768}),
         0,
         At(9, 9, kW144, kH144),
         {207, 126}},
        {"larger than the work area: its top-left corner",
         When::kOpening,
         Alone({60, 0, 1024, 768}),
         0,
         At(9, 9, 1100, 800),
         {60, 0}},
        {"on the right at 200 %: twice the size there",
         When::kOpening,
         kTwo,
         1,
         At(9, 9, 1200, 600),
         {4480 - 2400, 169}},
        {"back on the left at 100 %: half the size",
         When::kOpening,
         kTwo,
         0,
         At(1920, 0, 2560, 1400),
         {278, 169}},
        {"the user's monitor removed: the first",
         When::kOpening,
         kBottomBar,
         1,
         At(2198, 169, kW, kH),
         {278, 169}},
        {"no monitor known: it stays", When::kOpening, {}, 0, At(9, 9, kW, kH), {9, 9}},
        {"moved by the user across both",
         When::kUserMoved,
         kTwo,
         0,
         At(1700, 900, kW, 180),
         {1700, 900}},
        {"moved half off: in onto the monitor holding it",
         When::kUserMoved,
         kTwo,
         1,
         At(100, 900, kW, kH),
         {100, 1040 - kH}},
        {"moved off every monitor: onto the nearest",
         When::kUserMoved,
         kTwo,
         1,
         At(-900, -50, kW, kH),
         {0, 0}},
        {"still in the work area after a change",
         When::kDisplayChange,
         kTwo,
         0,
         At(2198, 169, 870, 744),
         {2198, 169}},
        {"its monitor removed: at the offset on another",
         When::kDisplayChange,
         kLeftOnly,
         0,
         At(2198, 169, kW, kH),
         {278, 169}},
        {"a lower resolution under it",
         When::kDisplayChange,
         kBottomBar,
         0,
         At(278, 169, kW144, kH144),
         {267, 86}},
        {"moved by the user, its monitor removed",
         When::kMovedThenDisplayChange,
         kLeftOnly,
         0,
         At(3000, 900, kW, kH),
         {1920 - kW, 1040 - kH}},
    };
    for (const auto& c : cases) {
        const bool moved = c.when == When::kUserMoved || c.when == When::kMovedThenDisplayChange;
        const PlacementFacts facts{c.monitors, {278, 169}, c.now, moved};
        const bool opening = c.when == When::kOpening || c.when == When::kUserMoved;
        EXPECT_EQ(opening ? PlaceOnOpening(facts, c.user_monitor) : PlaceAfterDisplayChange(facts),
                  c.expected)
            << c.name;
    }
}

}  // namespace
}  // namespace nimbara
