// Plain windows for the Win32 tests, and a look at who holds a hotkey.
#pragma once

#include <windows.h>

#include "settings/hotkey_rules.h"

namespace nimbara::testing {

// A hidden top-level window standing in for the main window or for another program.
class PlainWindow {
public:
    explicit PlainWindow(HWND owner = nullptr)
        : hwnd_(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, owner, nullptr, nullptr,
                                  nullptr)) {}
    PlainWindow(const PlainWindow&) = delete;
    PlainWindow& operator=(const PlainWindow&) = delete;
    ~PlainWindow() { ::DestroyWindow(hwnd_); }
    [[nodiscard]] HWND get() const { return hwnd_; }

private:
    HWND hwnd_;
};

// Whether some window holds the combination: another window then cannot take it.
inline bool Held(HotKey hotkey) {
    PlainWindow other;
    if (!::RegisterHotKey(other.get(), 7, hotkey.shift, hotkey.key)) return true;
    ::UnregisterHotKey(other.get(), 7);
    return false;
}

}  // namespace nimbara::testing
