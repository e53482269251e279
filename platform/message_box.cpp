#include "platform/message_box.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "platform/window.h"

namespace nimbara {

namespace {

constexpr UINT_PTR kAsideSubclassId = 0x4E42;
// Posted to the box when it is shown. It is handled once the showing call has returned
// and the box's own loop runs: every activation the box asked for itself came before.
constexpr UINT kSettledMessage = WM_APP + 0x4E42;
constexpr DWORD_PTR kSettling = 0, kSettled = 1;

bool ForegroundIsAnotherProgram() { return BelongsToAnotherProcess(::GetForegroundWindow()); }

bool IsMessageBox(HWND window) {
    wchar_t name[16] = {};
    return ::GetClassNameW(window, name, 16) && std::wcscmp(name, L"#32770") == 0;
}

LRESULT CALLBACK PlacedAside(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR state);

// True while the box is coming up: its placing, its showing and the focus it gives its
// button would each take the activation from the user's program. Afterwards an
// activation is the user's own (Alt+Tab, the taskbar, the keyboard) and goes ahead.
bool Settling(HWND box) {
    DWORD_PTR state = kSettled;
    return ::GetWindowSubclass(box, PlacedAside, kAsideSubclassId, &state) && state == kSettling;
}

LRESULT CALLBACK PlacedAside(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR state) {
    switch (msg) {
        case WM_WINDOWPOSCHANGING:
            if (state == kSettling) {
                auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
                if (!(pos->flags & SWP_NOACTIVATE) && ForegroundIsAnotherProgram())
                    pos->flags |= SWP_NOACTIVATE;
            }
            break;
        case WM_SHOWWINDOW:
            if (wp && state == kSettling) ::PostMessageW(hwnd, kSettledMessage, 0, 0);
            break;
        case kSettledMessage:
            ::SetWindowSubclass(hwnd, PlacedAside, kAsideSubclassId, kSettled);
            return 0;
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(hwnd, PlacedAside, kAsideSubclassId);
            break;
        default:
            break;
    }
    return ::DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK KeepAside(int code, WPARAM wp, LPARAM lp) {
    const auto window = reinterpret_cast<HWND>(wp);
    if (code == HCBT_CREATEWND && IsMessageBox(window)) {
        ::SetWindowSubclass(window, PlacedAside, kAsideSubclassId, kSettling);
    } else if (code == HCBT_ACTIVATE) {
        // The dialog gives its button the focus, which would activate it too.
        const auto* activation = reinterpret_cast<const CBTACTIVATESTRUCT*>(lp);
        if (!activation->fMouse && Settling(window) && ForegroundIsAnotherProgram()) return 1;
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

int MessageBoxAsideOnce(const std::wstring& text, const wchar_t* caption, UINT type) {
    static std::vector<std::wstring> showing;
    if (std::find(showing.begin(), showing.end(), text) != showing.end()) return 0;
    showing.push_back(text);
    struct Shown {
        const std::wstring& text;
        ~Shown() { showing.erase(std::find(showing.begin(), showing.end(), text)); }
    } shown{text};
    return MessageBoxAside(text.c_str(), caption, type);
}

}  // namespace nimbara
