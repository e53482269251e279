// Decisions of the capture about the clipboard's change notices, and about the moments after
// which changes are known to go unannounced: the window shown, the session back with its
// user, a resume. Whatever the path, the clipboard's sequence number decides whether there is
// anything new to capture, so a change told twice is captured once.
#pragma once

#include <cstdint>

namespace nimbara {

// What a change notice (of the viewer chain or of the clipboard format listener) does.
enum class NoticeEffect : std::uint8_t {
    kNone,     // not watching: before the start, after the teardown
    kCapture,  // arms the capture
    // PasteGuard is set: the content it tells of is taken as seen, so that it is captured
    // neither now nor at a later look for a missed change.
    kTakeAsSeen,
};
[[nodiscard]] NoticeEffect OnClipboardNotice(bool watching, bool paste_guard) noexcept;

// Whether the clipboard's sequence number `current` shows content other than the one last
// seen (`seen`, 0 before any). A system that tells no number (0) shows no change.
[[nodiscard]] bool ChangedSinceSeen(std::uint32_t current, std::uint32_t seen) noexcept;

// WM_WTSSESSION_CHANGE's event (its wParam): whether the session has come back to the user
// (unlocked, reconnected at the console or remotely), after which notices may have gone missing.
[[nodiscard]] bool SessionEventMayHideChanges(std::uint32_t event) noexcept;
// WM_POWERBROADCAST's event (its wParam): whether the machine has resumed from a suspend.
[[nodiscard]] bool PowerEventMayHideChanges(std::uint32_t event) noexcept;

}  // namespace nimbara
