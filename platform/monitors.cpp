#include "platform/monitors.h"

#include <string>

#include "platform/handles.h"

namespace nimbara {

namespace {

ScreenRect ToScreenRect(const RECT& r) noexcept { return {r.left, r.top, r.right, r.bottom}; }

int SystemDpi() {
    WindowDc screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
    return dpi > 0 ? dpi : kDesignedDpi;
}

int DpiOf(HMONITOR monitor) {
    // MDT_EFFECTIVE_DPI, the DPI the user's scale gives the monitor.
    constexpr int kEffectiveDpi = 0;
    using GetDpi = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    // Loaded once and kept to the end of the process, like any DLL the program imports.
    static const GetDpi get = [] {
        wchar_t directory[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(directory, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return GetDpi{};
        HMODULE shcore = ::LoadLibraryW((std::wstring(directory) + L"\\shcore.dll").c_str());
        return shcore ? reinterpret_cast<GetDpi>(
                            reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                      : GetDpi{};
    }();
    UINT x = 0, y = 0;
    if (get && SUCCEEDED(get(monitor, kEffectiveDpi, &x, &y)) && y > 0) return static_cast<int>(y);
    return SystemDpi();
}

BOOL CALLBACK CollectMonitor(HMONITOR handle, HDC, RECT*, LPARAM lp) {
    auto* monitors = reinterpret_cast<std::vector<Monitor>*>(lp);
    MONITORINFO info{sizeof(info)};
    if (::GetMonitorInfoW(handle, &info)) {
        monitors->push_back(
            {handle, {ToScreenRect(info.rcMonitor), ToScreenRect(info.rcWork), DpiOf(handle)}});
    }
    return TRUE;
}

class SystemMonitorApi final : public MonitorApi {
public:
    std::vector<Monitor> Monitors() override {
        std::vector<Monitor> monitors;
        ::EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor,
                              reinterpret_cast<LPARAM>(&monitors));
        return monitors;
    }

    HMONITOR MonitorOfForeground() override {
        // The desktop spans every monitor: with it in front, the user is where the pointer is.
        HWND front = ::GetForegroundWindow();
        if (!front || front == ::GetShellWindow() || front == ::GetDesktopWindow())
            return MonitorOfPointer();
        return ::MonitorFromWindow(front, MONITOR_DEFAULTTONEAREST);
    }

    HMONITOR MonitorOfPointer() override {
        POINT at{};
        // No pointer position (a secure desktop in front): the primary monitor.
        if (!::GetCursorPos(&at)) return ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        return ::MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST);
    }
};

}  // namespace

MonitorApi& SystemMonitors() {
    static SystemMonitorApi monitors;
    return monitors;
}

}  // namespace nimbara
