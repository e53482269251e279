#include "history/notice_rules.h"

namespace nimbara {

namespace {

// Event numbers (winuser.h, wtsapi32.h), here without windows.h.
constexpr std::uint32_t kConsoleConnect = 1, kRemoteConnect = 3, kSessionUnlock = 8;
constexpr std::uint32_t kResumeSuspend = 7, kResumeAutomatic = 0x12;

}  // namespace

NoticeEffect OnClipboardNotice(bool watching, bool paste_guard) noexcept {
    if (!watching) return NoticeEffect::kNone;
    return paste_guard ? NoticeEffect::kTakeAsSeen : NoticeEffect::kCapture;
}

bool ChangedSinceSeen(std::uint32_t current, std::uint32_t seen) noexcept {
    return current != 0 && current != seen;
}

bool SessionEventMayHideChanges(std::uint32_t event) noexcept {
    return event == kConsoleConnect || event == kRemoteConnect || event == kSessionUnlock;
}

bool PowerEventMayHideChanges(std::uint32_t event) noexcept {
    // Resumed by the system, then again once the user is back: the second finds nothing new.
    return event == kResumeAutomatic || event == kResumeSuspend;
}

}  // namespace nimbara
