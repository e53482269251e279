#include "history/grid_keys_rules.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace nimbara {
namespace {

FilledTiles Tiles(std::initializer_list<int> slots) {
    FilledTiles filled = 0;
    for (int slot : slots) filled |= FilledTiles(1u << (slot - 1));
    return filled;
}

using enum GridKey;

TEST(GridKeysRules, TheSelectionStartsOnTheNewestFilledTile) {
    const struct {
        FilledTiles filled;
        int next_slot;
        int first;
    } cases[] = {
        {Tiles({1, 2, 3}), 4, 3},
        {Tiles({1, 2, 3}), 1, 3},    // nothing after 3: the newest is the filled one before
        {Tiles({1, 5, 12}), 1, 12},  // wrapped: slot 12 was filled just before slot 1's turn
        {Tiles({2}), 2, 2},          // the one before NextSlot emptied: the filled one before it
        {0, 5, 0},
        {Tiles({4}), 0, 4},  // a NextSlot out of range counts as 1
        {Tiles({4}), 13, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstSelection(c.filled, c.next_slot), c.first) << c.filled << " " << c.next_slot;
}

TEST(GridKeysRules, ArrowsWalkTheFilledTilesAndWrap) {
    const FilledTiles full = Tiles({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    const FilledTiles some = Tiles({1, 3, 6, 12});
    const struct {
        FilledTiles filled;
        int selected;
        GridKey key;
        int after;
    } cases[] = {
        {full, 6, kLeft, 5},       {full, 6, kRight, 7},  {full, 6, kUp, 2},
        {full, 6, kDown, 10},      {full, 4, kRight, 5},   // on to the next row
        {full, 1, kLeft, 12},      {full, 12, kRight, 1},  // round the grid
        {full, 10, kDown, 3},      {full, 2, kUp, 9},      // round to the next column
        {full, 1, kUp, 12},        {full, 12, kDown, 1},  {some, 3, kRight, 6},
        {some, 3, kLeft, 1},                             // empty tiles skipped
        {some, 12, kRight, 1},     {some, 1, kDown, 6},  // 5, 9 and 2 empty
        {some, 6, kUp, 1},         {some, 12, kDown, 1},  {Tiles({7}), 7, kRight, 7},
        {Tiles({7}), 7, kDown, 7},                       // nowhere else to go
        {some, 0, kRight, 3},      {some, 5, kLeft, 3},  // none or an emptied one: the newest
        {0, 0, kDown, 0},          {some, 6, kEnter, 6},  {some, 6, kEscape, 6},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MoveSelection(c.filled, c.selected, 4, c.key), c.after)
            << c.filled << " from " << c.selected << " key " << int(c.key);
    }
}

TEST(GridKeysRules, KeysTheGridTakesAndKeysThatLetItGo) {
    constexpr std::uint8_t kMask = 0xE8;
    const struct {
        KeySeen key;
        KeyFate fate;
    } cases[] = {
        {{.virtual_key = 0x25, .taken = true}, KeyFate::kGrid},  // Left
        {{.virtual_key = 0x0D, .injected = true, .taken = true}, KeyFate::kGrid},
        {{.virtual_key = 0x1B, .taken = true}, KeyFate::kGrid},
        {{.virtual_key = 0x28, .modifiers_down = true, .taken = true}, KeyFate::kLetGo},
        {{.virtual_key = 0x25}, KeyFate::kLetGo},  // held by another program: not the grid's
        {{.virtual_key = 'A'}, KeyFate::kLetGo},
        {{.virtual_key = 0x10}, KeyFate::kLetGo},  // Shift: Shift+Left is the user's
        {{.virtual_key = 0x12}, KeyFate::kLetGo},  // Alt, from the keyboard
        {{.virtual_key = 'V', .modifiers_down = true}, KeyFate::kLetGo},
        {{.virtual_key = 0x12, .injected = true}, KeyFate::kPassing},  // around the hotkey
        {{.virtual_key = 0xA4, .injected = true}, KeyFate::kPassing},
        {{.virtual_key = kMask, .injected = true}, KeyFate::kPassing},
        {{.virtual_key = 'A', .injected = true}, KeyFate::kLetGo},  // an on-screen keyboard's
    };
    for (const auto& c : cases)
        EXPECT_EQ(FateOfKey(c.key, kMask), c.fate) << c.key.virtual_key << " " << c.key.injected;
    for (const GridKeyCode& code : kGridKeyCodes) EXPECT_EQ(GridKeyOf(code.virtual_key), code.key);
    EXPECT_FALSE(GridKeyOf(0x24));  // Home
}

TEST(GridKeysRules, OnlyTheHotKeyGivesTheGridTheKeyboard) {
    using enum GridEvent;
    for (GridEvent event :
         {kShownFromTray, kHidden, kPasted, kClick, kKeyNotUsed, kDialogOpened, kExit})
        EXPECT_FALSE(HoldsKeyboardAfter(event)) << int(event);
    EXPECT_TRUE(HoldsKeyboardAfter(kShownByHotKey));
}

}  // namespace
}  // namespace nimbara
