#include "platform/input.h"

namespace nimbara {

namespace {

class Win32Input final : public InputApi {
public:
    HWND Foreground() override { return ::GetForegroundWindow(); }
    bool RequestForeground(HWND window) override {
        return window && ::SetForegroundWindow(window) != FALSE;
    }
    bool HasTakenForeground(HWND window) override {
        if (!window || ::GetForegroundWindow() != window) return false;
        GUITHREADINFO info{sizeof(info)};
        const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
        return ::GetGUIThreadInfo(thread, &info) && info.hwndActive == window;
    }
    UINT ScanCodeOf(UINT virtual_key) override {
        return ::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
    }
    void KeyEvent(BYTE virtual_key, BYTE scan_code, DWORD flags) override {
        ::keybd_event(virtual_key, scan_code, flags, 0);
    }
    void WaitBriefly(DWORD milliseconds) override {
        // Only messages sent by other threads are handled here: no click, timer or
        // notice of this program runs in the middle of a paste-back.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_SENDMESSAGE, 0);
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
};

}  // namespace

InputApi& SystemInput() {
    static Win32Input input;
    return input;
}

}  // namespace nimbara
