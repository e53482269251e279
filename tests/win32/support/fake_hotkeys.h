// Hotkeys as Windows keeps them, and a look at who holds one.
#pragma once

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "hidden_window.h"
#include "platform/hotkeys.h"
#include "settings/hotkey_rules.h"

namespace nimbara::testing {

// Whether some window holds the combination: another window then cannot take it.
inline bool Held(HotKey hotkey) {
    const UniqueHwnd other = HiddenWindow();
    if (!::RegisterHotKey(other.get(), 7, hotkey.modifiers, hotkey.key)) return true;
    ::UnregisterHotKey(other.get(), 7);
    return false;
}

// Registrations kept as Windows keeps them: a second one for the same window is held
// beside the first (Wine replaces it); an unregistration frees the oldest. Ids are
// not told apart: the program uses only one.
struct WindowsHotKeys final : HotKeyApi {
    using Held = std::pair<HWND, HotKey>;
    bool Register(HWND window, int, UINT modifiers, UINT key) override {
        ++calls;
        const HotKey hotkey{static_cast<std::uint16_t>(modifiers), static_cast<std::uint16_t>(key)};
        if (std::ranges::find(held, hotkey, &Held::second) != held.end()) return false;
        held.emplace_back(window, hotkey);
        return true;
    }
    bool Unregister(HWND window, int) override {
        ++calls;
        const auto it = std::ranges::find(held, window, &Held::first);
        return it != held.end() && (held.erase(it), true);
    }
    std::vector<Held> held;
    int calls = 0;
};

}  // namespace nimbara::testing
