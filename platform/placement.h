// A designed window's place on the screen, kept by the rule of platform/placement_rules.h
// each time it is shown and whenever the monitors change under it.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "platform/monitors.h"
#include "platform/placement_rules.h"

namespace nimbara {

class ScreenPlacement {
public:
    // `designed`: the window's designed offset from a monitor's top-left corner.
    ScreenPlacement(POINT designed, MonitorApi& monitors) noexcept
        : designed_{designed.x, designed.y}, monitors_(monitors) {}

    [[nodiscard]] MonitorApi& monitors() noexcept { return monitors_; }

    // Before `window` is shown: onto `user_monitor`, the monitor the user works on, unless
    // the user has moved it, which leaves it where it is while it is wholly on the screen.
    // Where a move takes it to a monitor of another DPI and it takes a new size there, it
    // is placed once more at that size.
    void PlaceForOpening(HWND window, HMONITOR user_monitor);
    // The monitors changed under the shown `window`: back wholly onto one when it is not.
    void KeepOnScreen(HWND window);

private:
    struct Facts {
        std::vector<Monitor> monitors;
        std::vector<MonitorArea> areas;
        ScreenRect now;
        bool moved_by_user = false;
        [[nodiscard]] PlacementFacts For(ScreenPoint designed) const noexcept {
            return {areas, designed, now, moved_by_user};
        }
    };
    // `note_moves`: a place other than the one it was last put at is the user's doing.
    [[nodiscard]] Facts Observe(HWND window, bool note_moves = true);
    // Moves `window` to `to` and keeps where it ended up as its own place.
    void MoveTo(HWND window, ScreenPoint to);

    ScreenPoint designed_;
    MonitorApi& monitors_;
    std::optional<ScreenPoint> placed_;  // where this placement last put the window
    // Once the user has moved the window, it is where the user wants it for the rest of
    // the run, as long as it is wholly in sight.
    bool moved_by_user_ = false;
};

}  // namespace nimbara
