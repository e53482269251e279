#include "platform/message_box.h"

#include <cwchar>

namespace nimbara {

namespace {

bool ForegroundIsAnotherProgram() {
    HWND foreground = ::GetForegroundWindow();
    DWORD pid = 0;
    return foreground && ::GetWindowThreadProcessId(foreground, &pid) &&
           pid != ::GetCurrentProcessId();
}

bool IsMessageBox(HWND window) {
    wchar_t name[16] = {};
    return ::GetClassNameW(window, name, 16) && std::wcscmp(name, L"#32770") == 0;
}

LRESULT CALLBACK RefuseActivation(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        const auto* activation = reinterpret_cast<const CBTACTIVATESTRUCT*>(lp);
        if (!activation->fMouse && IsMessageBox(reinterpret_cast<HWND>(wp)) &&
            ForegroundIsAnotherProgram())
            return 1;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

int MessageBoxAside(const wchar_t* text, const wchar_t* caption, UINT type) {
    // A hook of this thread only, for as long as the box is up. Without it the box still
    // shows, and takes the activation as any box does.
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, RefuseActivation, nullptr, ::GetCurrentThreadId());
    const int result = ::MessageBoxW(nullptr, text, caption, type & ~UINT(MB_SETFOREGROUND));
    if (hook) ::UnhookWindowsHookEx(hook);
    return result;
}

}  // namespace nimbara
