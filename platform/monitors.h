// The desktop's monitors: where each lies, its work area and its DPI, and which of them
// holds the user's window or the pointer. Behind a small interface so that a test can
// lay out monitors that the machine does not have, and take one away.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/placement_rules.h"

namespace nimbara {

struct Monitor {
    HMONITOR handle = nullptr;
    MonitorArea area;
};

class MonitorApi {
public:
    virtual ~MonitorApi() = default;
    // Every monitor of the desktop, in the system's order; empty when it names none.
    [[nodiscard]] virtual std::vector<Monitor> Monitors() = 0;
    // The monitor holding the foreground window, or the pointer's when there is none or
    // the desktop is in front.
    [[nodiscard]] virtual HMONITOR MonitorOfForeground() = 0;
    // The monitor under the pointer, or the one nearest to it.
    [[nodiscard]] virtual HMONITOR MonitorOfPointer() = 0;
};

// EnumDisplayMonitors, GetMonitorInfoW, MonitorFromWindow and MonitorFromPoint; each
// monitor's DPI from GetDpiForMonitor (Windows 8.1 and later, loaded at run time), the
// system's DPI where it is missing. A program that is not per-monitor aware is told
// the system's DPI for every monitor, and its windows keep their size on each.
MonitorApi& SystemMonitors();

}  // namespace nimbara
