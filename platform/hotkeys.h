// The system's hotkey registrations, behind a small interface so that tests can
// play Windows where Wine differs: Windows keeps an earlier combination registered
// for the same window and id beside a new one, Wine replaces it.
#pragma once

#include <windows.h>

namespace nimbara {

class HotKeyApi {
public:
    virtual ~HotKeyApi() = default;
    // RegisterHotKey: false when the combination is held already, by any window.
    [[nodiscard]] virtual bool Register(HWND window, int id, UINT modifiers, UINT key) = 0;
    // UnregisterHotKey: false when the window holds nothing under that id.
    [[nodiscard]] virtual bool Unregister(HWND window, int id) = 0;
};

// The real registrations.
HotKeyApi& SystemHotKeys();

}  // namespace nimbara
