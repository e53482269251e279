#include "platform/hotkeys.h"

namespace nimbara {

namespace {

class Win32HotKeys final : public HotKeyApi {
public:
    bool Register(HWND window, int id, UINT modifiers, UINT key) override {
        return ::RegisterHotKey(window, id, modifiers, key) != FALSE;
    }
    bool Unregister(HWND window, int id) override {
        return ::UnregisterHotKey(window, id) != FALSE;
    }
};

}  // namespace

HotKeyApi& SystemHotKeys() {
    static Win32HotKeys hotkeys;
    return hotkeys;
}

}  // namespace nimbara
