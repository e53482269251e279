// The global hotkey: a system-wide key combination that shows or hides the history
// window from within any program. It is loaded from the registry when the main
// window is created, registered for the main window under hotkey id 1, registered
// anew whenever the settings dialog applies a choice, and released when the main
// window closes. Only one combination is held at a time: a new choice frees the
// one before it.
#pragma once

#include <windows.h>

#include <optional>

#include "platform/hotkeys.h"
#include "platform/registry.h"
#include "settings/hotkey_rules.h"

namespace nimbara {

// Every combination the program registers uses this one id on the main window.
constexpr int kHotKeyId = 1;

class GlobalHotKey {
public:
    GlobalHotKey(HWND main_window, RegistryApi& registry,
                 HotKeyApi& system = SystemHotKeys()) noexcept
        : main_window_(main_window), registry_(registry), system_(system) {}
    GlobalHotKey(const GlobalHotKey&) = delete;
    GlobalHotKey& operator=(const GlobalHotKey&) = delete;

    // Sets the combination from the values HotKeyShift and HotKeyChar under
    // SOFTWARE\Nimbara, the user's own before the machine's. Anything missing,
    // malformed or unreadable gives Alt+V for both, silently.
    void LoadHotKey();

    // Makes id 1 of the main window hold the current combination. A combination
    // held already is left alone. Otherwise the one held is freed first: Windows
    // would keep it beside the new one, swallowing its keys until the program ends.
    // When the new one is refused (another program holds it), the one held before
    // is taken again so that the user keeps a working hotkey; the refusal is not
    // reported.
    void ApplyHotKey() noexcept;

    // Unregisters the combination held for the main window; a failure is of no consequence.
    void ReleaseHotKey() noexcept;

    // True when WM_HOTKEY's lParam carries the current combination, or the one
    // still held because the current one was refused.
    [[nodiscard]] bool IsHotKeyMessage(LPARAM lparam) const noexcept;

    [[nodiscard]] HotKey current() const noexcept { return current_; }
    void set_current(HotKey hotkey) noexcept { current_ = hotkey; }

private:
    [[nodiscard]] bool Register(HotKey hotkey) noexcept;

    HWND main_window_;
    RegistryApi& registry_;
    HotKeyApi& system_;
    // What id 1 holds, as far as this program registered it, and its registration,
    // given up however this object ends.
    std::optional<HotKey> held_;
    HotKeyRegistration registration_;
    // HotKeyShift (MOD_ flags) and HotKeyChar (virtual-key code); nothing is
    // registered for them before the first load.
    HotKey current_{0, 0};
};

}  // namespace nimbara
