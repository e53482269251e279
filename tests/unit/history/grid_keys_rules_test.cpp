#include "history/grid_keys_rules.h"

#include <gtest/gtest.h>

#include <tuple>

namespace nimbara {
namespace {

using enum GridKey;
using enum KeyFate;

TEST(GridKeysRules, TheSelectionStartsOnTheNewestAndTheArrowsWalkTheFilledTilesRoundTheGrid) {
    constexpr FilledTiles kFull = 0xFFF, kSome = 1 | 1 << 2 | 1 << 5 | 1 << 11;  // 1, 3, 6, 12
    // Before NextSlot, wrapping (12 was filled just before slot 1's turn); 13 counts as 1.
    for (auto [next_slot, first] : {std::pair{4, 3}, {1, 12}, {7, 6}, {13, 12}})
        EXPECT_EQ(FirstSelection(kSome, next_slot), first) << next_slot;
    EXPECT_EQ(FirstSelection(0, 5), 0);
    using Move = std::tuple<FilledTiles, int, GridKey, int>;  // filled, from, key, to
    // The last three: nowhere else to go; from a tile emptied meanwhile, the newest; no tile.
    const Move moves[] = {{kFull, 6, kLeft, 5},   {kFull, 6, kRight, 7}, {kFull, 6, kUp, 2},
                          {kFull, 6, kDown, 10},  {kFull, 4, kRight, 5}, {kFull, 1, kLeft, 12},
                          {kFull, 10, kDown, 3},  {kFull, 2, kUp, 9},    {kSome, 3, kRight, 6},
                          {kSome, 12, kRight, 1}, {kSome, 1, kDown, 6},  {kSome, 6, kUp, 1},
                          {1 << 6, 7, kDown, 7},  {kSome, 5, kLeft, 3},  {0, 0, kDown, 0}};
    for (auto [filled, from, key, to] : moves)
        EXPECT_EQ(MoveSelection(filled, from, 4, key), to) << from << " " << int(key);
}

TEST(GridKeysRules, TheGridsKeysAndTheKeysThatLetItGo) {
    // Shift+Down is the user's window's, so is a key another program holds; what the program
    // types itself around its hotkey passes.
    using Key = std::tuple<unsigned, bool, bool, bool, KeyFate>;  // modifiers, injected, held
    const Key keys[] = {{0x25, false, false, true, kGrid},    {0x1B, false, true, true, kGrid},
                        {0x28, true, false, true, kLetGo},    {0x25, false, false, false, kLetGo},
                        {'A', false, false, false, kLetGo},   {0x10, false, false, false, kLetGo},
                        {0x12, false, false, false, kLetGo},  {'A', false, true, false, kLetGo},
                        {0x12, false, true, false, kPassing}, {0xE8, false, true, false, kPassing}};
    for (auto [vk, modifiers, injected, held, fate] : keys)
        EXPECT_EQ(FateOfKey({vk, modifiers, injected, held}, 0xE8), fate) << vk;
    for (int e = 0; e <= int(GridEvent::kExit); ++e)
        EXPECT_EQ(HoldsKeyboardAfter(GridEvent(e)), GridEvent(e) == GridEvent::kShownByHotKey);
}

}  // namespace
}  // namespace nimbara
