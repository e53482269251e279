#include "platform/placement_rules.h"

#include <algorithm>
#include <cstdint>

namespace nimbara {

namespace {

std::int64_t Overlap(ScreenRect a, ScreenRect b) noexcept {
    const std::int64_t w = std::min(a.right, b.right) - std::max(a.left, b.left);
    const std::int64_t h = std::min(a.bottom, b.bottom) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

std::int64_t SquaredGap(ScreenRect a, ScreenRect b) noexcept {
    const std::int64_t dx = std::max({0, a.left - b.right, b.left - a.right});
    const std::int64_t dy = std::max({0, a.top - b.bottom, b.top - a.bottom});
    return dx * dx + dy * dy;
}

bool Inside(ScreenRect area, ScreenRect window) noexcept {
    return window.left >= area.left && window.top >= area.top && window.right <= area.right &&
           window.bottom <= area.bottom;
}

// A length at one DPI as it is at another, rounded as MulDiv rounds.
int AtDpi(int length, int from_dpi, int to_dpi) noexcept {
    if (from_dpi <= 0 || to_dpi <= 0) return length;
    return ScaleLength(length, to_dpi, from_dpi);
}

ScreenPoint Offset(ScreenPoint origin, ScreenPoint by) noexcept {
    return {origin.x + by.x, origin.y + by.y};
}

// Placed anew on `monitor` at the designed offset, at that monitor's DPI.
ScreenPoint AtDesignedOffset(const PlacementFacts& facts, const MonitorArea& monitor) noexcept {
    const int from_dpi = facts.monitors[MonitorHolding(facts.monitors, facts.now)].dpi;
    return MoveInto(monitor.work, Offset(monitor.bounds.origin(), facts.designed),
                    AtDpi(facts.now.width(), from_dpi, monitor.dpi),
                    AtDpi(facts.now.height(), from_dpi, monitor.dpi));
}

// A window the user moved: where it was left, moved in onto the monitor holding it when
// part of it is off the screen.
ScreenPoint KeptInSight(const PlacementFacts& facts) noexcept {
    if (WhollyOnScreen(facts.monitors, facts.now)) return facts.now.origin();
    const MonitorArea& holder = facts.monitors[MonitorHolding(facts.monitors, facts.now)];
    return MoveInto(holder.work, facts.now.origin(), facts.now.width(), facts.now.height());
}

}  // namespace

std::size_t MonitorHolding(std::span<const MonitorArea> monitors, ScreenRect window) noexcept {
    std::size_t best = 0;
    std::int64_t best_overlap = 0;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const std::int64_t overlap = Overlap(monitors[i].bounds, window);
        if (overlap > best_overlap) {
            best = i;
            best_overlap = overlap;
        }
    }
    if (best_overlap > 0) return best;
    for (std::size_t i = 1; i < monitors.size(); ++i) {
        if (SquaredGap(monitors[i].bounds, window) < SquaredGap(monitors[best].bounds, window))
            best = i;
    }
    return best;
}

bool WhollyOnScreen(std::span<const MonitorArea> monitors, ScreenRect window) noexcept {
    // Monitors do not overlap one another, so their shares of the window add up. Where a
    // mirroring driver's pseudo-monitor lies over a real one, a share counts twice: the
    // window is then rather left where it is than moved.
    std::int64_t covered = 0;
    for (const MonitorArea& monitor : monitors) covered += Overlap(monitor.bounds, window);
    return window.width() > 0 && window.height() > 0 &&
           covered >= std::int64_t{window.width()} * window.height();
}

ScreenPoint MoveInto(ScreenRect area, ScreenPoint wanted, int width, int height) noexcept {
    // Right and bottom first, so that a window larger than the area keeps its top-left
    // corner, with its title and close box, in sight.
    return {std::max(area.left, std::min(wanted.x, area.right - width)),
            std::max(area.top, std::min(wanted.y, area.bottom - height))};
}

ScreenPoint PlaceOnOpening(const PlacementFacts& facts, std::size_t user_monitor) noexcept {
    if (facts.monitors.empty()) return facts.now.origin();
    if (facts.moved_by_user) return KeptInSight(facts);
    if (user_monitor >= facts.monitors.size()) user_monitor = 0;
    return AtDesignedOffset(facts, facts.monitors[user_monitor]);
}

ScreenPoint PlaceAfterDisplayChange(const PlacementFacts& facts) noexcept {
    if (facts.monitors.empty()) return facts.now.origin();
    if (facts.moved_by_user) return KeptInSight(facts);
    const MonitorArea& holder = facts.monitors[MonitorHolding(facts.monitors, facts.now)];
    if (Inside(holder.work, facts.now)) return facts.now.origin();
    return AtDesignedOffset(facts, holder);
}

}  // namespace nimbara
