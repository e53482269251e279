#include "history/clip_watcher.h"

#include "history/preview.h"

#include <iterator>
#include <new>
#include <utility>
#include <vector>

#include "history/preview_rules.h"
#include "platform/text.h"

namespace nimbara {

namespace {

// A preview that fails (no memory for a huge file list, say) costs the tile its preview,
// never the capture: the tile lists the format numbers instead.
Preview PreviewOrFormatList(const ClipSlot& snapshot) {
    try {
        return BuildPreview(snapshot);
    } catch (const std::bad_alloc&) {
    } catch (const AppError&) {
    }
    std::vector<std::uint16_t> formats;
    for (const ClipFormatRecord& r : snapshot) formats.push_back(r.format);
    return Preview{ToWide(UnpreviewableCaption(formats)), {}};
}
}  // namespace

void ClipWatcher::JoinChain() {
    paste_guard_ = false;
    chain_.Join(window_);
}

void ClipWatcher::LeaveChain() noexcept {
    if (!chain_.joined()) return;
    chain_.Leave();
    ::KillTimer(window_, kCaptureTimerId);
    timer_armed_ = false;
}

LRESULT ClipWatcher::ClipboardChanged(WPARAM wp, LPARAM lp) {
    chain_.PassOn(WM_DRAWCLIPBOARD, wp, lp);
    if (!paste_guard_ && chain_.joined()) ArmCaptureTimer();
    return 0;
}

LRESULT ClipWatcher::ViewerChainChanged(WPARAM wp, LPARAM lp) {
    chain_.ChainChanged(wp, lp);
    return 0;
}

void ClipWatcher::ArmCaptureTimer(UINT delay_ms) {
    // Arming an armed timer changes nothing: the whole burst gives one capture,
    // 10 ms after its first notice.
    if (timer_armed_) return;
    timer_armed_ = ::SetTimer(window_, kCaptureTimerId, delay_ms, nullptr) != 0;
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
        if (busy_retries_ < std::size(kBusyBackOffMs)) {
            ArmCaptureTimer(kBusyBackOffMs[busy_retries_++]);
            return;
        }
        busy_retries_ = 0;
        throw;
    }
}

void ClipWatcher::Capture() {
    // A notice that came with no change (another program can send one at any time) and
    // the notices of this program's own writes find the number unchanged.
    const DWORD sequence = store_.CurrentSequence();
    if (sequence != 0 && sequence == store_.last_sequence()) return;
    if (store_.CountFormats() <= 0) return;
    // The snapshot is complete before the slot's old content goes: a capture that
    // fails leaves the slot and its tile as they were.
    ClipSlot snapshot = store_.Snapshot();
    // Emptied between the count and the snapshot: an empty slot would, restored, empty
    // the user's clipboard.
    if (snapshot.empty()) return;
    Preview preview = PreviewOrFormatList(snapshot);
    // Read only now: a Clear all handled during the snapshot's message box starts the
    // ring again.
    const int slot = ring_.NextSlot();
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
