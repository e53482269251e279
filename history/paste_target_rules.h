// Where a paste may go, whether its keys may be typed now, and whether the hotkey's Alt
// release is masked: plain decisions on what was observed of the windows and the time.
#pragma once

#include <cstdint>

#include "platform/input_facts.h"

namespace nimbara {

enum class TargetKind : std::uint8_t {
    kNone,     // nothing to record: the earlier record stays
    kWindow,   // another program's window the user can see and type into
    kDesktop,  // the desktop itself, where a paste lands as files or nothing
};

// What a window seen in the foreground is as a place to paste into. Only a visible
// top-level window of another program that can be activated is one; the taskbar, the
// notification area's overflow, the task switcher and the like are the shell's passing
// surfaces, gone or hidden by the time the user clicks a tile.
[[nodiscard]] TargetKind PasteTargetKind(const WindowFacts& window);

// Whether Ctrl+V typed now reaches the recorded target: it is still there and on screen,
// and Windows will not drop keys typed into it for its integrity level.
[[nodiscard]] bool KeysReachTarget(const WindowFacts& target);

// How long after the hotkey's message the release of Alt may still be masked, when Alt
// is already up: any later, and the user may have moved on to typing elsewhere.
constexpr std::uint32_t kAltMaskLateMs = 100;

struct HotKeyMoment {
    bool alt_in_combination = false;
    bool alt_down = false;               // when the message is handled
    std::uint32_t ms_since_message = 0;  // since the message's own time
    bool front_changed_since = false;    // another window came to the front after the message
    WindowFacts front;                   // the foreground window now
};

// The mask is typed into the window in front only while that window is the one the
// hotkey was pressed in, and only while Alt is held or just after; never into a console,
// which would take the key as a key press ("press any key" prompts go on).
[[nodiscard]] bool ShouldMaskAltRelease(const HotKeyMoment& moment);

}  // namespace nimbara
