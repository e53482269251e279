#include "history/paste_target_rules.h"

#include <string_view>

namespace nimbara {

namespace {

// The desktop behind every window: Progman, or the WorkerW that holds the icons once
// Win+D has shown it.
constexpr std::wstring_view kDesktopClasses[] = {L"Progman", L"WorkerW"};

// The shell's surfaces that take the foreground for a moment: the taskbars (where a
// click on the tray icon leaves it), the notification area's overflow (Windows 7 to 10,
// and 11), the task switcher (Windows 7, 10, 11), the start and search hosts, a menu.
constexpr std::wstring_view kShellSurfaces[] = {
    L"Shell_TrayWnd",
    L"Shell_SecondaryTrayWnd",
    L"NotifyIconOverflowWindow",
    L"TopLevelWindowForOverflowXamlIsland",
    L"TaskSwitcherWnd",
    L"MultitaskingViewFrame",
    L"XamlExplorerHostIslandWindow",
    L"ForegroundStaging",
    L"Windows.UI.Core.CoreWindow",
    L"#32768",
};

constexpr std::wstring_view kConsoleClass = L"ConsoleWindowClass";

template <std::size_t N>
bool OneOf(const std::wstring& name, const std::wstring_view (&names)[N]) {
    for (const std::wstring_view candidate : names)
        if (name == candidate) return true;
    return false;
}

}  // namespace

TargetKind PasteTargetKind(const WindowFacts& window) {
    if (!window.exists || window.own_process || window.child) return TargetKind::kNone;
    if (!window.visible || window.cloaked) return TargetKind::kNone;
    if (window.desktop || OneOf(window.class_name, kDesktopClasses)) return TargetKind::kDesktop;
    if (OneOf(window.class_name, kShellSurfaces)) return TargetKind::kNone;
    if (window.tool_window || window.no_activate) return TargetKind::kNone;
    return TargetKind::kWindow;
}

bool KeysReachTarget(const WindowFacts& target) {
    return target.exists && target.visible && !target.minimised && !target.cloaked &&
           target.integrity == Integrity::kNotAbove;
}

bool ShouldMaskAltRelease(const HotKeyMoment& moment) {
    if (!moment.alt_in_combination || moment.front_changed_since) return false;
    if (PasteTargetKind(moment.front) != TargetKind::kWindow) return false;
    if (moment.front.class_name == kConsoleClass) return false;
    return moment.alt_down || moment.ms_since_message <= kAltMaskLateMs;
}

}  // namespace nimbara
