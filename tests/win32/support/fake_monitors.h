// Monitors as a test lays them out: any number, side by side or apart, each with its
// work area and DPI; the test says which holds the foreground window and the pointer,
// and may take one away or change it between two calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/monitors.h"

namespace nimbara::testing {

struct FakeMonitors final : MonitorApi {
    std::vector<MonitorArea> areas;
    std::size_t foreground_on = 0;  // index into areas
    std::size_t pointer_on = 0;

    // The handle of the monitor at `index`: stable while the list is only cut short.
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
};

}  // namespace nimbara::testing
