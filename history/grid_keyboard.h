// The grid by keyboard alone. While the grid, shown by the hotkey, holds the keyboard, the
// arrow keys move its selection, Enter pastes the selected tile as a click does and Esc
// hides the grid; none of them reaches the window the user works in, which keeps the
// foreground and its keyboard focus, since the grid is never activated. The keys are
// hotkeys of the main window for that time only, under ids of their own, and a watch that
// swallows nothing lets them go at the first other key (which reaches the user's window as
// typed) and at any click. Every hide, paste and the exit let them go too.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "history/grid_keys_rules.h"
#include "history/slot_ring.h"
#include "history/window_messages.h"
#include "platform/hotkeys.h"
#include "platform/input_watch.h"

namespace nimbara {

class SlotTiles;

class GridKeyboard final : private InputObserver {
public:
    GridKeyboard(HWND main_window, const SlotRing& ring, SlotTiles& tiles,
                 HotKeyApi& hotkeys = SystemHotKeys(),
                 InputWatchApi& watch = SystemInputWatch()) noexcept
        : main_window_(main_window),
          ring_(ring),
          tiles_(tiles),
          hotkeys_(hotkeys),
          watch_api_(watch) {}
    ~GridKeyboard() override { LetGo(); }
    GridKeyboard(const GridKeyboard&) = delete;
    GridKeyboard& operator=(const GridKeyboard&) = delete;

    // Shown by the hotkey, the grid takes its keys and selects the newest filled tile; at
    // anything else the keys go back to whichever window has the keyboard, and the
    // selection goes.
    void Handle(GridEvent event) noexcept;
    [[nodiscard]] bool holds() const noexcept { return holds_; }
    [[nodiscard]] int selected() const noexcept { return selected_; }

    // WM_HOTKEY under `id`: true when the id is one of the grid's, whether or not it still
    // holds that key; its message then means nothing to the program's own hotkey.
    bool OnHotKey(WPARAM id);

    std::function<void(int slot)> paste;  // the paste-back of a click
    std::function<void()> hide;           // the show/hide toggle, while the grid is shown

private:
    void KeyDown(const KeyDownSeen& key) noexcept override;
    void ButtonPressed() noexcept override { Handle(GridEvent::kClick); }
    void Take();
    void LetGo() noexcept;
    [[nodiscard]] FilledTiles Filled() const;
    [[nodiscard]] bool Taken(UINT virtual_key) const noexcept;
    void Act(GridKey key);

    HWND main_window_;
    const SlotRing& ring_;
    SlotTiles& tiles_;
    HotKeyApi& hotkeys_;
    InputWatchApi& watch_api_;
    std::array<HotKeyRegistration, kGridKeyCount> keys_;
    InputWatch watch_;
    bool holds_ = false;
    int selected_ = 0;
};

}  // namespace nimbara
