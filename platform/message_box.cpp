#include "platform/message_box.h"

#include <commctrl.h>

#include <cwchar>

#include "platform/window.h"

namespace nimbara {

namespace {

constexpr UINT_PTR kAsideSubclassId = 0x4E42;

bool ForegroundIsAnotherProgram() { return BelongsToAnotherProcess(::GetForegroundWindow()); }

bool IsMessageBox(HWND window) {
    wchar_t name[16] = {};
    return ::GetClassNameW(window, name, 16) && std::wcscmp(name, L"#32770") == 0;
}

// The box's own placing and showing would activate it: made not to, while another
// program has the foreground. A click still activates it.
LRESULT CALLBACK PlacedAside(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_WINDOWPOSCHANGING) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
        if (!(pos->flags & SWP_NOACTIVATE) && ForegroundIsAnotherProgram())
            pos->flags |= SWP_NOACTIVATE;
    } else if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, PlacedAside, kAsideSubclassId);
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK KeepAside(int code, WPARAM wp, LPARAM lp) {
    const auto window = reinterpret_cast<HWND>(wp);
    if (code == HCBT_CREATEWND && IsMessageBox(window)) {
        ::SetWindowSubclass(window, PlacedAside, kAsideSubclassId, 0);
    } else if (code == HCBT_ACTIVATE) {
        // The dialog gives its button the focus, which would activate it too.
        const auto* activation = reinterpret_cast<const CBTACTIVATESTRUCT*>(lp);
        if (!activation->fMouse && IsMessageBox(window) && ForegroundIsAnotherProgram()) return 1;
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

int MessageBoxAside(const wchar_t* text, const wchar_t* caption, UINT type) {
    // A hook of this thread only, for as long as the box is up. Without it the box still
    // shows, and takes the activation as any box does.
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, KeepAside, nullptr, ::GetCurrentThreadId());
    const int result = ::MessageBoxW(nullptr, text, caption, type & ~UINT(MB_SETFOREGROUND));
    if (hook) ::UnhookWindowsHookEx(hook);
    return result;
}

}  // namespace nimbara
