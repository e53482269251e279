// Where a window of the program goes on the screen: the rule behind every opening of
// the history window and the dialogs, and behind a change of the monitors under a
// shown window. Plain values in screen pixels, so that any layout of monitors can
// be tried without a desktop.
//
// A window opens on the monitor of the window the user works in, at its designed
// offset from that monitor's top-left corner (on the primary monitor, the designed
// screen position itself), moved in only as far as it must be to lie wholly inside
// the monitor's work area, so that the taskbar stays in sight. A window larger than
// the work area is put at its top-left corner, where its title is. A window the user
// has moved stays where it was left while it is wholly on the screen.
#pragma once

#include <cstddef>
#include <span>

#include "platform/layout_rules.h"

namespace nimbara {

struct ScreenPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    [[nodiscard]] constexpr int width() const noexcept { return right - left; }
    [[nodiscard]] constexpr int height() const noexcept { return bottom - top; }
    [[nodiscard]] constexpr ScreenPoint origin() const noexcept { return {left, top}; }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// One monitor: its place on the desktop, the part of it that windows may take (less the
// taskbar and the bars docked like it) and its dots per inch.
struct MonitorArea {
    ScreenRect bounds;
    ScreenRect work;
    int dpi = kDesignedDpi;
};

// The monitor holding the largest part of `window`, or, when none holds any of it, the
// one nearest to it; 0 for an empty list.
[[nodiscard]] std::size_t MonitorHolding(std::span<const MonitorArea> monitors,
                                         ScreenRect window) noexcept;

// Whether every pixel of `window` lies on one monitor or another.
[[nodiscard]] bool WhollyOnScreen(std::span<const MonitorArea> monitors,
                                  ScreenRect window) noexcept;

// The top-left corner nearest to `wanted` at which a window of `width` × `height` lies
// wholly inside `area`; at the area's top-left corner along an axis it does not fit.
[[nodiscard]] ScreenPoint MoveInto(ScreenRect area, ScreenPoint wanted, int width,
                                   int height) noexcept;

// What is known of a window when it is placed.
struct PlacementFacts {
    std::span<const MonitorArea> monitors;
    ScreenPoint designed;        // its designed offset from a monitor's top-left corner
    ScreenRect now;              // where it is now, at the DPI of the monitor holding it
    bool moved_by_user = false;  // it is not where it was last placed
};

// Where the window opens when the user works on `monitors[user_monitor]` (an index
// out of range stands for the first monitor). Its size follows the DPI of the monitor
// it opens on. With no monitor known it stays where it is.
[[nodiscard]] ScreenPoint PlaceOnOpening(const PlacementFacts& facts,
                                         std::size_t user_monitor) noexcept;

// Where a shown window goes when the monitors have changed (one removed, another
// resolution): nowhere while it is still wholly on the screen (a window placed by the
// rule: wholly inside the work area of the monitor holding it). Otherwise it is placed
// anew on the monitor holding or nearest to it: a window the user moved only as far as
// it must be, one placed by the rule at its designed offset.
[[nodiscard]] ScreenPoint PlaceAfterDisplayChange(const PlacementFacts& facts) noexcept;

}  // namespace nimbara
