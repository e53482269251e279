#include "platform/dpi.h"

#include "platform/layout.h"

namespace nimbara {

namespace {

// A function of user32 that Windows 7 does not have, found once; nullptr without it.
template <typename Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                  : nullptr;
}

class Win32Dpi final : public DpiApi {
public:
    int WindowDpi(HWND window) override {
        using Fn = UINT(WINAPI*)(HWND);
        static const Fn get = User32Function<Fn>("GetDpiForWindow");
        const int screen = ScreenDpi();
        return get ? SaneDpi(get(window), screen) : screen;
    }

    int SmallIconSize(int dpi) override {
        using Fn = int(WINAPI*)(int, UINT);
        static const Fn get = User32Function<Fn>("GetSystemMetricsForDpi");
        const int size = get ? get(SM_CXSMICON, static_cast<UINT>(dpi)) : 0;
        return size > 0 ? size : ::GetSystemMetrics(SM_CXSMICON);
    }

    SIZE OuterSize(SIZE client, DWORD style, DWORD ex_style, int dpi) override {
        using Fn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
        static const Fn adjust = User32Function<Fn>("AdjustWindowRectExForDpi");
        RECT r{0, 0, client.cx, client.cy};
        if (!adjust || !adjust(&r, style, FALSE, ex_style, static_cast<UINT>(dpi)))
            ::AdjustWindowRectEx(&r, style, FALSE, ex_style);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
};

// SetThreadDpiAwarenessContext; its contexts are handles.
using SetContext = HANDLE(WINAPI*)(HANDLE);
SetContext SetThreadContext() {
    static const SetContext set = User32Function<SetContext>("SetThreadDpiAwarenessContext");
    return set;
}

}  // namespace

DpiApi& SystemDpi() {
    static Win32Dpi dpi;
    return dpi;
}

ScreenDpiScope::ScreenDpiScope() noexcept {
    // DPI_AWARENESS_CONTEXT_SYSTEM_AWARE
    const auto system_aware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-2));
    if (const SetContext set = SetThreadContext()) previous_ = set(system_aware);
}

ScreenDpiScope::~ScreenDpiScope() {
    if (previous_) SetThreadContext()(previous_);
}

}  // namespace nimbara
