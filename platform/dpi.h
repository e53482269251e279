// The DPI of a window and the sizes the system gives at a DPI, behind a small interface
// so that a test can put a window on a monitor of any scale. Windows 10 (1607) tells
// each window the DPI of its monitor; older systems have one DPI for the whole screen,
// which is then the answer for every window.
#pragma once

#include <windows.h>

namespace nimbara {

class DpiApi {
public:
    virtual ~DpiApi() = default;
    // GetDpiForWindow; the screen's DPI where the system has no such call or no answer.
    [[nodiscard]] virtual int WindowDpi(HWND window) = 0;
    // The small-icon width at `dpi` (GetSystemMetricsForDpi, SM_CXSMICON); the
    // screen's own where the system has no such call.
    [[nodiscard]] virtual int SmallIconSize(int dpi) = 0;
    // The outer size of a window of the given styles around `client` at `dpi`
    // (AdjustWindowRectExForDpi; AdjustWindowRectEx, at the screen's DPI, without it).
    [[nodiscard]] virtual SIZE OuterSize(SIZE client, DWORD style, DWORD ex_style, int dpi) = 0;
};

// The system's answers.
DpiApi& SystemDpi();

// While it lives, the windows this thread makes are laid out at the screen's one DPI
// and, on a monitor of another scale, stretched to it by the system, as every window of
// a program that knows one DPI is. For windows that are built once at that DPI and never
// again. Nothing changes where the system has one DPI for all (before Windows 10 1607).
class ScreenDpiScope {
public:
    ScreenDpiScope() noexcept;
    ~ScreenDpiScope();
    ScreenDpiScope(const ScreenDpiScope&) = delete;
    ScreenDpiScope& operator=(const ScreenDpiScope&) = delete;

private:
    HANDLE previous_ = nullptr;  // the thread's DPI awareness context before
};

}  // namespace nimbara
