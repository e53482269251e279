#include "history/tile_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <utility>
#include <vector>

#include "platform/layout_rules.h"

namespace nimbara {
namespace {

// One operation on one tile, from every starting state that matters; the grid's sequences of
// them are tests/win32/history/slot_tiles_test.cpp's.
enum class Op { kClear, kResetForCapture, kMarkNewest, kEnter, kLeave, kPasted };

struct Transition {
    Op op;
    TileMarks before;
    TileMarks after;
};

void Apply(Op op, TileMarks& tile) {
    switch (op) {
        case Op::kClear:
            ClearTile(tile);
            break;
        case Op::kResetForCapture:
            ResetTileForCapture(tile);
            break;
        case Op::kMarkNewest:
            MarkTileNewest(tile);
            break;
        case Op::kEnter:
            TilePointerEnter(tile);
            break;
        case Op::kLeave:
            TilePointerLeave(tile);
            break;
        case Op::kPasted:
            TilePasted(tile);
            break;
    }
}

TEST(TileRules, EachOperationFromEachState) {
    const std::vector<Transition> table = {
        // Clear all: idle, mark left alone.
        {Op::kClear, {kNewestColor, false}, {kIdleColor, false}},
        {Op::kClear, {kHoverColor, true}, {kIdleColor, true}},
        {Op::kClear, {kPastedColor, false}, {kIdleColor, false}},
        {Op::kClear, {kIdleColor, true}, {kIdleColor, true}},
        // Capture, first step: Newest/Idle go idle, Hover/Pasted stay, marks go.
        {Op::kResetForCapture, {kNewestColor, false}, {kIdleColor, false}},
        {Op::kResetForCapture, {kIdleColor, true}, {kIdleColor, false}},
        {Op::kResetForCapture, {kHoverColor, true}, {kHoverColor, false}},
        {Op::kResetForCapture, {kPastedColor, true}, {kPastedColor, false}},
        // Capture, second step: newest whatever it was; the mark is not touched.
        {Op::kMarkNewest, {kIdleColor, false}, {kNewestColor, false}},
        {Op::kMarkNewest, {kHoverColor, false}, {kNewestColor, false}},
        {Op::kMarkNewest, {kPastedColor, true}, {kNewestColor, true}},
        // Pointer enters: only a newest tile gets the mark.
        {Op::kEnter, {kNewestColor, false}, {kHoverColor, true}},
        {Op::kEnter, {kIdleColor, false}, {kHoverColor, false}},
        {Op::kEnter, {kIdleColor, true}, {kHoverColor, true}},
        {Op::kEnter, {kPastedColor, false}, {kHoverColor, false}},
        {Op::kEnter, {kHoverColor, false}, {kHoverColor, false}},
        // Pointer leaves: the mark decides.
        {Op::kLeave, {kHoverColor, true}, {kNewestColor, false}},
        {Op::kLeave, {kHoverColor, false}, {kIdleColor, false}},
        {Op::kLeave, {kPastedColor, true}, {kNewestColor, false}},
        {Op::kLeave, {kPastedColor, false}, {kIdleColor, false}},
        {Op::kLeave, {kIdleColor, true}, {kNewestColor, false}},   // cleared under the pointer
        {Op::kLeave, {kNewestColor, false}, {kIdleColor, false}},  // captured under it
        // Pasted: colour only.
        {Op::kPasted, {kHoverColor, true}, {kPastedColor, true}},
        {Op::kPasted, {kNewestColor, false}, {kPastedColor, false}},
    };
    for (std::size_t i = 0; i < table.size(); ++i) {
        TileMarks tile = table[i].before;
        Apply(table[i].op, tile);
        EXPECT_EQ(tile.color, table[i].after.color) << "row " << i;
        EXPECT_EQ(tile.newest_mark, table[i].after.newest_mark) << "row " << i;
    }
}

// The designed grid at 96 dpi, and one scaled by half again (rounded up) where every edge
// is scaled on its own.
int Designed(int v) { return v; }
int HalfAgain(int v) { return (v * 3 + 1) / 2; }

TEST(TileRules, PartsOfEachCornerTile) {
    struct Row {
        int slot;
        TileBox band;
    };
    const Row rows[] = {
        {1, {3, 3, 108, 100}},
        {4, {321, 3, 426, 100}},
        {5, {3, 101, 108, 198}},
        {12, {321, 199, 426, 296}},
    };
    for (const Row& row : rows) {
        const TileParts parts = PartsOfTile(row.slot, Designed);
        EXPECT_EQ(parts.band, row.band) << "slot " << row.slot;
        EXPECT_EQ(parts.frame, (TileBox{4, 4, 101, 93})) << "slot " << row.slot;
        EXPECT_EQ(parts.label, (TileBox{2, 2, 95, 87})) << "slot " << row.slot;
    }
    EXPECT_EQ(PartsOfTile(2, HalfAgain).band, (TileBox{164, 5, 322, 151}));
}

// At each DPI (宋体 is as tall as its em) each edge lies within a pixel of the designed one
// scaled exactly, the tiles stay apart and a label holds as many lines as designed.
TEST(TileRules, ScaledGridKeepsItsProportions) {
    for (const int dpi : {96, 120, 144, 192}) {
        const int text_height = DesignedCharHeight(dpi);
        const LayoutScale scale = ScaleForTextHeight(text_height);
        const auto near = [dpi](const TileBox& s, const TileBox& d) {
            const auto one = [dpi](int a, int b) { return std::abs(a - b * dpi / 96.0) <= 1; };
            return one(s.left, d.left) && one(s.top, d.top) && one(s.right, d.right) &&
                   one(s.bottom, d.bottom);
        };
        for (int slot = 1; slot <= kTileColumns * kTileRows; ++slot) {
            const TileParts parts = PartsOfTile(slot, scale),
                            designed = PartsOfTile(slot, Designed);
            EXPECT_TRUE(near(parts.band, designed.band) && near(parts.frame, designed.frame) &&
                        near(parts.label, designed.label))
                << dpi << " dpi, slot " << slot;
            if (slot % kTileColumns != 0)
                EXPECT_LT(parts.band.right, PartsOfTile(slot + 1, scale).band.left) << dpi;
            EXPECT_EQ((parts.label.bottom - parts.label.top) / text_height,
                      (designed.label.bottom - designed.label.top) / kDesignedTextHeight)
                << dpi;
        }
    }
}

TEST(TileRules, PointOnTheGridToTheTileUnderIt) {
    struct Row {
        int x, y;
        int (*scale)(int);
        int slot;
    };
    const Row rows[] = {
        // Slot 1's label spans 9..101 x 9..93 of the grid; its band and frame are no tile.
        {9, 9, Designed, 1},
        {101, 93, Designed, 1},
        {8, 9, Designed, 0},
        {9, 8, Designed, 0},
        {102, 93, Designed, 0},
        {101, 94, Designed, 0},
        {3, 3, Designed, 0},
        // The next tile along and the next row down.
        {115, 9, Designed, 2},
        {114, 9, Designed, 0},
        {115, 107, Designed, 6},
        // The last tile, its far corner and beyond it.
        {419, 289, Designed, 12},
        {420, 289, Designed, 0},
        {419, 290, Designed, 0},
        {-1, -1, Designed, 0},
        {INT_MIN, INT_MIN, Designed, 0},
        {INT_MAX, INT_MAX, Designed, 0},
        // Scaled: slot 2's label spans 173..312 across.
        {173, 14, HalfAgain, 2},
        {312, 14, HalfAgain, 2},
        {172, 14, HalfAgain, 0},
        {313, 14, HalfAgain, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TileAt(row.x, row.y, row.scale), row.slot) << row.x << "," << row.y;
}

// Clicks ('c' and the slot), hidings ('h') and second presses of a double click ('2' and
// the slot, with whether it starts a click), in the order a user makes them.
TEST(TileRules, SecondPressOfADoubleClickStartsAClickOnlyWhenNothingPairsWithIt) {
    struct Step {
        char event;
        int slot;
        bool starts = false;
    };
    const std::vector<std::pair<const char*, std::vector<Step>>> sequences = {
        {"a double click on a fresh grid", {{'2', 1, true}}},
        {"a double click pastes once", {{'c', 1}, {'2', 1, false}}},
        {"hidden and shown between the two presses", {{'c', 1}, {'h', 0}, {'2', 1, true}}},
        {"another tile clicked before", {{'c', 2}, {'2', 1, true}, {'c', 1}, {'2', 1, false}}},
        {"hidden twice, then a double click within the showing",
         {{'c', 5}, {'h', 0}, {'h', 0}, {'2', 5, true}, {'c', 5}, {'2', 5, false}}},
        {"the last slot", {{'c', 12}, {'2', 12, false}, {'h', 0}, {'2', 12, true}}},
    };
    for (const auto& [name, steps] : sequences) {
        TileClickPairing pairing;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const Step& step = steps[i];
            if (step.event == 'c') pairing.Clicked(step.slot);
            if (step.event == 'h') pairing.Hidden();
            if (step.event == '2')
                EXPECT_EQ(pairing.SecondPressStartsClick(step.slot), step.starts)
                    << name << ", step " << i + 1;
        }
    }
}

}  // namespace
}  // namespace nimbara
