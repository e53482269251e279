// Where a paste goes: the window the user was working in before turning to the
// history window, by the hotkey, the tray icon or a click on a tile. Only a window
// of another program that the user can see and type into, or the desktop, can take
// a paste; when the window seen is one of this program's own or a passing surface of
// the shell (the taskbar, the tray's overflow, the task switcher), the earlier record
// stays.
#pragma once

#include <windows.h>

#include "history/paste_target_rules.h"
#include "platform/input.h"

namespace nimbara {

constexpr BYTE kMaskKey = kAltMaskKey;

class PasteTarget {
public:
    explicit PasteTarget(InputApi& input) : input_(input) {}

    // PrevActiveWindow.
    [[nodiscard]] HWND window() const noexcept { return window_; }
    // The user is seen in `window`: recorded if it can take a paste.
    void Note(HWND window);
    // The system reports `window` in the foreground since the tick count `at`.
    void NoteFrontChange(HWND window, DWORD at);
    // Whether `front`, the foreground window now, came to the front after the tick
    // count `at`, as far as the reports tell.
    [[nodiscard]] bool FrontChangedSince(HWND front, DWORD at) const noexcept;
    // Whether keys typed now reach the recorded window: still there, not minimised,
    // not hidden, and not of a higher integrity level than this program.
    [[nodiscard]] bool KeysReach() { return KeysReachTarget(input_.Observe(window_)); }
    // The user is in the foreground window: recorded if it can take a paste.
    void NoteForeground() { Note(input_.Foreground()); }
    // A click activation that names no window: nothing to paste into.
    void Forget() noexcept { window_ = nullptr; }
    // When a window of this program that cannot be seen holds the foreground, it
    // goes back to the recorded window, so that the user's keys reach a window.
    void TakeBackForeground();

private:
    [[nodiscard]] bool CanTakePaste(HWND window) {
        return PasteTargetKind(input_.Observe(window)) != TargetKind::kNone;
    }

    InputApi& input_;
    HWND window_ = nullptr;
    HWND front_ = nullptr;  // the last foreground window reported, and since when
    DWORD front_since_ = 0;
};

// The hotkey's key never reaches the window the user works in, so when Alt is part
// of the combination that window sees Alt pressed and released with nothing between,
// which starts its menu bar's keyboard mode under Wine (Windows itself is not known
// to, but it costs nothing there). A key that means nothing, typed while Alt is
// still down, keeps the release from being a lone one; when Alt is up already, the
// window gets Alt pressed once more around that key, which ends a menu mode begun
// by the release and is otherwise a key stroke that does nothing.
void MaskAltRelease(InputApi& input, UINT hotkey_modifiers);

}  // namespace nimbara
