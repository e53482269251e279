// Plain windows for the Win32 tests, and a look at who holds a hotkey.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/hotkeys.h"
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

// Registrations kept as Windows keeps them, where Wine differs: a second registration
// for the same window and id is held beside the first, and an unregistration frees
// one of them, the oldest.
class WindowsHotKeys final : public HotKeyApi {
public:
    struct Held {
        HWND window;
        int id;
        HotKey hotkey;
        friend bool operator==(const Held&, const Held&) = default;
    };
    bool Register(HWND window, int id, UINT modifiers, UINT key) override {
        ++calls;
        const HotKey hotkey{static_cast<std::uint16_t>(modifiers), static_cast<std::uint16_t>(key)};
        if (std::any_of(held.begin(), held.end(),
                        [&](const Held& h) { return h.hotkey == hotkey; }))
            return false;
        held.push_back({window, id, hotkey});
        return true;
    }
    bool Unregister(HWND window, int id) override {
        ++calls;
        const auto it = std::find_if(held.begin(), held.end(), [&](const Held& h) {
            return h.window == window && h.id == id;
        });
        if (it == held.end()) return false;
        held.erase(it);
        return true;
    }
    std::vector<Held> held;
    int calls = 0;
};

}  // namespace nimbara::testing
