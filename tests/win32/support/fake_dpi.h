// Monitors of any scale: every window is on a monitor of `dpi`, which a test changes to
// move it. The frame is Wine's at every DPI.
#pragma once

#include <windows.h>

#include "platform/dpi.h"

namespace nimbara::testing {

struct FakeDpi final : DpiApi {
    explicit FakeDpi(int at) : dpi(at) {}
    int WindowDpi(HWND) override { return dpi; }
    int SmallIconSize(int at) override { return ::MulDiv(16, at, 96); }
    SIZE OuterSize(SIZE client, DWORD style, DWORD ex_style, int) override {
        RECT r{0, 0, client.cx, client.cy};
        ::AdjustWindowRectEx(&r, style, FALSE, ex_style);
        return {r.right - r.left, r.bottom - r.top};
    }
    int dpi;
};

}  // namespace nimbara::testing
