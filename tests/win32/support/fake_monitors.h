// Monitors as a test lays them out: any number, each with its work area, the one that
// holds the foreground window and the one under the pointer, changed between two calls;
// every window is on a monitor of `dpi`, and the frame is Wine's at every DPI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/dpi.h"
#include "platform/monitors.h"

namespace nimbara::testing {

struct FakeMonitors final : MonitorApi, DpiApi {
    std::vector<MonitorArea> areas;
    std::size_t foreground_on = 0;  // index into areas
    std::size_t pointer_on = 0;
    int dpi = 96;

    // Stable while the list is only cut short.
    static HMONITOR Handle(std::size_t index) {
        return reinterpret_cast<HMONITOR>(static_cast<std::uintptr_t>(index + 1));
    }
    std::vector<Monitor> Monitors() override {
        std::vector<Monitor> monitors;
        for (std::size_t i = 0; i < areas.size(); ++i) monitors.push_back({Handle(i), areas[i]});
        return monitors;
    }
    HMONITOR MonitorOfForeground() override { return Handle(foreground_on); }
    HMONITOR MonitorOfPointer() override { return Handle(pointer_on); }
    int WindowDpi(HWND) override { return dpi; }
    int SmallIconSize(int at) override { return ::MulDiv(16, at, 96); }
    SIZE OuterSize(SIZE client, DWORD style, DWORD ex_style, int) override {
        RECT r{0, 0, client.cx, client.cy};
        ::AdjustWindowRectEx(&r, style, FALSE, ex_style);
        return {r.right - r.left, r.bottom - r.top};
    }
};

}  // namespace nimbara::testing
