#include "history/clip_watcher.h"

#include "history/preview.h"

#include <utility>

namespace nimbara {

namespace {
// Passing a notice on never waits for the next viewer: a viewer that hangs must
// not hang this program, nor the program that changed the clipboard.
void PassOn(HWND next, UINT msg, WPARAM wp, LPARAM lp) {
    if (next) ::SendNotifyMessageW(next, msg, wp, lp);
}
}  // namespace

void ClipWatcher::JoinChain() {
    paste_guard_ = false;
    joined_ = true;
    next_viewer_ = ::SetClipboardViewer(window_);
}

void ClipWatcher::LeaveChain() noexcept {
    if (!joined_) return;
    joined_ = false;
    ::ChangeClipboardChain(window_, next_viewer_);
    next_viewer_ = nullptr;
    ::KillTimer(window_, kCaptureTimerId);
    timer_armed_ = false;
}

LRESULT ClipWatcher::ClipboardChanged(WPARAM wp, LPARAM lp) {
    PassOn(next_viewer_, WM_DRAWCLIPBOARD, wp, lp);
    if (!paste_guard_ && joined_) ArmCaptureTimer();
    return 0;
}

LRESULT ClipWatcher::ViewerChainChanged(WPARAM wp, LPARAM lp) {
    if (reinterpret_cast<HWND>(wp) == next_viewer_) {
        next_viewer_ = reinterpret_cast<HWND>(lp);
    } else {
        PassOn(next_viewer_, WM_CHANGECBCHAIN, wp, lp);
    }
    return 0;
}

void ClipWatcher::ArmCaptureTimer() {
    // Arming an armed timer changes nothing: the whole burst gives one capture,
    // 10 ms after its first notice.
    if (timer_armed_) return;
    timer_armed_ = ::SetTimer(window_, kCaptureTimerId, kCaptureDelayMs, nullptr) != 0;
}

void ClipWatcher::Timer1Timer() {
    ::KillTimer(window_, kCaptureTimerId);
    timer_armed_ = false;
    if (capturing_) {
        // A message box of the running capture dispatches this tick: capture again
        // once that one has finished, never into the slot it is still filling.
        capture_pending_ = true;
        return;
    }
    capturing_ = true;
    struct Done {
        ClipWatcher& watcher;
        ~Done() {
            watcher.capturing_ = false;
            if (std::exchange(watcher.capture_pending_, false)) watcher.ArmCaptureTimer();
        }
    } done{*this};
    try {
        Capture();
        busy_retries_ = 0;
    } catch (const ClipboardBusyError&) {
        // Programs hold the clipboard open for a moment while they write or read
        // it; only a clipboard that stays held is an error worth a message.
        if (busy_retries_++ < kBusyRetries) {
            ArmCaptureTimer();
            return;
        }
        busy_retries_ = 0;
        throw;
    }
}

void ClipWatcher::Capture() {
    if (store_.CountFormats() <= 0) return;
    const int slot = ring_.NextSlot();
    // The snapshot is complete before the slot's old content goes: a capture that
    // fails leaves the slot and its tile as they were.
    ClipSlot snapshot = store_.Snapshot();
    Preview preview = BuildPreview(snapshot);
    ring_.Store(slot, std::move(snapshot));
    ring_.AdvanceNextSlot();
    tiles_.ResetForCapture();
    tiles_.MarkNewest(slot);
    if (preview.picture) {
        tiles_.SetPicture(slot, std::move(preview.picture));
    } else {
        tiles_.SetPreviewText(slot, preview.text);
    }
}

}  // namespace nimbara
