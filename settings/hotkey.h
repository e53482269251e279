// The global hotkey: a system-wide key combination that shows or hides the history
// window from within any program. It is loaded from the registry when the main
// window is created, registered for the main window under hotkey id 1, registered
// again whenever the settings dialog applies a choice, and released when the main
// window closes.
#pragma once

#include <windows.h>

#include "platform/registry.h"
#include "settings/hotkey_rules.h"

namespace nimbara {

// Every combination the program registers uses this one id on the main window.
constexpr int kHotKeyId = 1;

class GlobalHotKey {
public:
    GlobalHotKey(HWND main_window, RegistryApi& registry) noexcept
        : main_window_(main_window), registry_(registry) {}
    GlobalHotKey(const GlobalHotKey&) = delete;
    GlobalHotKey& operator=(const GlobalHotKey&) = delete;

    // Sets the combination from the values HotKeyShift and HotKeyChar under
    // HKEY_LOCAL_MACHINE\SOFTWARE\Nimbara. Anything missing, malformed or unreadable
    // gives Alt+V for both, silently.
    void LoadHotKey();

    // Registers the current combination. A refusal (another program holds it, or
    // it is registered already) is not reported; nothing is unregistered first.
    void ApplyHotKey() noexcept;

    // Unregisters id 1 for the main window; a failure is of no consequence.
    void ReleaseHotKey() noexcept;

    // True when WM_HOTKEY's lParam carries the current combination. Registrations
    // of earlier choices may still post theirs; those are not the hotkey any more.
    [[nodiscard]] bool WMHotKey(LPARAM lparam) const noexcept;

    [[nodiscard]] HotKey current() const noexcept { return current_; }
    void set_current(HotKey hotkey) noexcept { current_ = hotkey; }

private:
    HWND main_window_;
    RegistryApi& registry_;
    // HotKeyShift (MOD_ flags) and HotKeyChar (virtual-key code); nothing is
    // registered for them before the first load.
    HotKey current_{0, 0};
};

}  // namespace nimbara
