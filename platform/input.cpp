#include "platform/input.h"

#include <cwchar>
#include <iterator>
#include <utility>

#include "platform/error.h"
#include "platform/window.h"

namespace nimbara {

namespace {

// The shell's own windows: the taskbar with its notification area, and the desktop.
constexpr const wchar_t* kShellClasses[] = {L"Shell_TrayWnd", L"Progman", L"WorkerW"};

bool IsShellWindow(HWND window) {
    if (window == ::GetDesktopWindow() || window == ::GetShellWindow()) return true;
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    for (const wchar_t* shell : kShellClasses)
        if (std::wcscmp(name, shell) == 0) return true;
    return false;
}

class Win32Input final : public InputApi {
public:
    HWND Foreground() override { return ::GetForegroundWindow(); }
    bool IsPasteTarget(HWND window) override {
        return BelongsToAnotherProcess(window) && !IsShellWindow(window);
    }
    bool KeyIsDown(BYTE virtual_key) override {
        return (::GetAsyncKeyState(virtual_key) & 0x8000) != 0;
    }
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

namespace {
ForegroundWatch* g_watch = nullptr;  // the hook's callback carries no context of its own
}  // namespace

ForegroundWatch::ForegroundWatch(std::function<void(HWND)> on_change)
    : on_change_(std::move(on_change)) {
    g_watch = this;
    // Failing, it leaves the other moments at which the program looks at the
    // foreground window (the hotkey, a tray click, a click on a tile).
    hook_ = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, &Proc, 0,
                              0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

ForegroundWatch::~ForegroundWatch() {
    if (hook_) ::UnhookWinEvent(hook_);
    if (g_watch == this) g_watch = nullptr;
}

void CALLBACK ForegroundWatch::Proc(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child,
                                    DWORD, DWORD) {
    if (!g_watch || object != OBJID_WINDOW || child != CHILDID_SELF || !g_watch->on_change_) return;
    try {
        g_watch->on_change_(window);
    } catch (...) {
        ReportCurrentException();
    }
}

}  // namespace nimbara
