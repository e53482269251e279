// The grid by keyboard: which keys the grid takes while it holds the keyboard, what each
// does, where the selection goes, and which events let the keyboard go again.
#pragma once

#include <cstdint>
#include <iterator>
#include <optional>

namespace nimbara {

enum class GridKey : std::uint8_t { kLeft, kRight, kUp, kDown, kEnter, kEscape };

// The grid's keys with the virtual-key codes the system gives them, pressed without a
// modifier.
struct GridKeyCode {
    GridKey key;
    std::uint8_t virtual_key;
};
inline constexpr GridKeyCode kGridKeyCodes[] = {
    {GridKey::kLeft, 0x25}, {GridKey::kRight, 0x27}, {GridKey::kUp, 0x26},
    {GridKey::kDown, 0x28}, {GridKey::kEnter, 0x0D}, {GridKey::kEscape, 0x1B},
};
inline constexpr int kGridKeyCount = static_cast<int>(std::size(kGridKeyCodes));

[[nodiscard]] std::optional<GridKey> GridKeyOf(unsigned virtual_key) noexcept;

// The filled tiles, bit n - 1 for the tile of slot n.
using FilledTiles = std::uint16_t;

// Where the selection starts: the newest filled tile, the one the capture before `next_slot`
// (NextSlot) filled, or the filled one before it; 0 when every tile is empty.
[[nodiscard]] int FirstSelection(FilledTiles filled, int next_slot) noexcept;

// Where an arrow key takes the selection from `selected` (0: none yet, or a tile emptied
// since, which starts again from the newest): Left and Right to the previous and next filled
// tile in tile order, Up and Down to the filled tile a row above or below in the order of
// the columns, top to bottom and one column after the other. Every move wraps around the
// grid and skips empty tiles; with no other filled tile the selection stays.
[[nodiscard]] int MoveSelection(FilledTiles filled, int selected, int next_slot,
                                GridKey key) noexcept;

// A key going down while the grid holds the keyboard, as the watch sees it before any window.
struct KeySeen {
    unsigned virtual_key = 0;
    bool modifiers_down = false;  // Shift, Ctrl, Alt or a Windows key held with it
    bool injected = false;        // typed by a program, not by a keyboard
    bool taken = false;           // one of the grid's keys whose registration the grid holds
};

enum class KeyFate : std::uint8_t {
    kGrid,     // the grid's: its hotkey message brings it, no window sees it
    kLetGo,    // a key the grid does not use: it reaches the user's window as typed, and the
               // grid lets the keyboard go at once, so the keys after it go there too
    kPassing,  // what the program types itself around its hotkey; changes nothing
};
[[nodiscard]] KeyFate FateOfKey(const KeySeen& key, std::uint8_t mask_key) noexcept;

// What happens to the grid's hold on the keyboard.
enum class GridEvent : std::uint8_t {
    kShownByHotKey,
    kShownFromTray,  // a mouse user's keys keep going where they went
    kHidden,
    kPasted,
    kClick,  // a button pressed anywhere
    kKeyNotUsed,
    kDialogOpened,  // its keys are its own
    kExit,
};
[[nodiscard]] bool HoldsKeyboardAfter(GridEvent event) noexcept;

}  // namespace nimbara
