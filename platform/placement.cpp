#include "platform/placement.h"

#include <algorithm>

namespace nimbara {

namespace {

ScreenRect WindowRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

ScreenPlacement::Facts ScreenPlacement::Observe(HWND window, bool note_moves) {
    Facts facts{.monitors = monitors_.Monitors(), .areas = {}, .now = WindowRect(window)};
    for (const Monitor& monitor : facts.monitors) facts.areas.push_back(monitor.area);
    // Whatever else moved it (the title-strip drag, the system's move loop) was the user.
    if (note_moves && placed_ && *placed_ != facts.now.origin()) moved_by_user_ = true;
    facts.moved_by_user = moved_by_user_;
    return facts;
}

void ScreenPlacement::PlaceForOpening(HWND window, HMONITOR user_monitor) {
    const Facts facts = Observe(window);
    const auto user = std::find_if(facts.monitors.begin(), facts.monitors.end(),
                                   [&](const Monitor& m) { return m.handle == user_monitor; });
    // A monitor no longer listed counts as out of range: the rule takes the first.
    const auto index = static_cast<std::size_t>(user - facts.monitors.begin());
    MoveTo(window, PlaceOnOpening(facts.For(designed_), index));
    // The size it took at the DPI of the monitor it is on now: placed there once more.
    const ScreenRect moved = WindowRect(window);
    if (moved.width() != facts.now.width() || moved.height() != facts.now.height()) {
        const Facts resized = Observe(window, false);
        MoveTo(window, nimbara::PlaceAfterDisplayChange(resized.For(designed_)));
    }
}

void ScreenPlacement::KeepOnScreen(HWND window) {
    const Facts facts = Observe(window);
    const ScreenPoint to = nimbara::PlaceAfterDisplayChange(facts.For(designed_));
    if (to != facts.now.origin()) MoveTo(window, to);
}

void ScreenPlacement::MoveTo(HWND window, ScreenPoint to) {
    ::SetWindowPos(window, nullptr, to.x, to.y, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    placed_ = WindowRect(window).origin();
}

}  // namespace nimbara
