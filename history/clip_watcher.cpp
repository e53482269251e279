#include "history/clip_watcher.h"

#include "history/preview.h"

#include <iterator>
#include <new>
#include <utility>
#include <vector>

#include "history/capture_rules.h"
#include "history/notice_rules.h"
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
    listener_ = NoticeSubscription(notices_, Notice::kClipboardUpdate, window_);
    session_notices_ = NoticeSubscription(notices_, Notice::kSessionChange, window_);
    chain_.Join(window_);
}

void ClipWatcher::LeaveChain() noexcept {
    if (!chain_.joined()) return;
    chain_.Leave();
    listener_.Cancel();
    session_notices_.Cancel();
    timers_.Stop(kCaptureTimerId);
    timer_armed_ = false;
    if (reading_) {
        source_.Abandon();
        EndReading();
    }
}

LRESULT ClipWatcher::ClipboardChanged(WPARAM wp, LPARAM lp) {
    chain_.PassOn(WM_DRAWCLIPBOARD, wp, lp);
    OnNotice();
    return 0;
}

LRESULT ClipWatcher::ClipboardUpdated() {
    OnNotice();
    return 0;
}

void ClipWatcher::OnNotice() {
    switch (OnClipboardNotice(chain_.joined(), paste_guard_)) {
        case NoticeEffect::kNone:
            break;
        case NoticeEffect::kCapture:
            ArmCaptureTimer();
            break;
        case NoticeEffect::kTakeAsSeen:
            // A snapshot under way records what it saw itself.
            if (!reading_) store_.NoteSeen(store_.CurrentSequence());
            break;
    }
}

void ClipWatcher::LookForMissedChange() {
    // Told by no notice: as if one had come, once the number shows a change.
    if (ChangedSinceSeen(store_.CurrentSequence(), store_.last_sequence())) OnNotice();
}

void ClipWatcher::SessionChanged(WPARAM wp) {
    if (SessionEventMayHideChanges(static_cast<std::uint32_t>(wp))) LookForMissedChange();
}

void ClipWatcher::PowerChanged(WPARAM wp) {
    if (PowerEventMayHideChanges(static_cast<std::uint32_t>(wp))) LookForMissedChange();
}

LRESULT ClipWatcher::ViewerChainChanged(WPARAM wp, LPARAM lp) {
    chain_.ChainChanged(wp, lp);
    return 0;
}

void ClipWatcher::ArmCaptureTimer(UINT delay_ms) {
    // Arming an armed timer changes nothing: the whole burst gives one capture,
    // 10 ms after its first notice.
    if (timer_armed_) return;
    timer_armed_ = timers_.Start(kCaptureTimerId, delay_ms);
}

void ClipWatcher::OnCaptureTimer() {
    timers_.Stop(kCaptureTimerId);
    timer_armed_ = false;
    if (reading_) {
        // Captured again once this snapshot has arrived, never into the slot it fills.
        capture_pending_ = true;
        return;
    }
    BeginCapture();
}

void ClipWatcher::BeginCapture() {
    // A notice that came with no change (another program can send one at any time) and
    // the notices of this program's own writes find the number unchanged.
    const DWORD sequence = store_.CurrentSequence();
    if (sequence != 0 && sequence == store_.last_sequence()) return;
    if (store_.CountFormats() <= 0) return;
    const HWND owner = store_.ContentOwner();
    if (hung_owner_ && owner == hung_owner_ && ::IsWindow(owner)) {
        // Not asked again, and the clipboard not held again, until it shows it answers.
        if (!probe_pending_) AskIfAlive(owner);
        return;
    }
    hung_owner_ = nullptr;
    reading_ = true;
    reading_owner_ = owner;
    reading_sequence_ = sequence;
    started_ = clock_.Now();
    copied_mb_ = 0;
    clipboard_closed_ = false;
    // Without its budget a hung owner would hold the clipboard for good: no snapshot then.
    if (!timers_.Start(kBudgetTimerId, kSnapshotBudgetMs)) {
        reading_ = false;
        throw AppError(L"Cannot start the snapshot's budget timer");
    }
    if (source_.Begin()) return;
    EndReading();
    throw AppError(L"Cannot start the clipboard reader");
}

void ClipWatcher::SnapshotRead(std::unique_ptr<SnapshotResult> result) {
    if (!reading_) return;  // given up already
    EndReading();
    bool report = false;
    if (!result) {
        // The reader died on this content (made to crash by what it read): reported once,
        // and not read again until it changes.
        store_.NoteSeen(store_.CurrentSequence());
        report = true;
    } else if (result->status == SnapshotStatus::kClipboardBusy) {
        // Programs hold the clipboard open for a moment while they write or read it; only
        // a clipboard that stays held is an error worth a message.
        if (busy_retries_ < std::size(kBusyBackOffMs)) {
            ArmCaptureTimer(kBusyBackOffMs[busy_retries_++]);
            CaptureOver();
            return;
        }
        busy_retries_ = 0;
        CaptureOver();
        throw ClipboardBusyError();
    } else {
        busy_retries_ = 0;
        hung_owner_reported_ = nullptr;
        store_.NoteSeen(result->sequence);
        report = result->unreadable > 0;
        // A snapshot that restores nothing would empty the clipboard when pasted.
        if (HasRestorable(result->slot)) StoreSnapshot(std::move(result->slot));
    }
    CaptureOver();
    // Only now, with the slot stored: the box runs a loop of its own, in which later
    // changes are captured as usual.
    if (report && report_read_failure) report_read_failure();
}

void ClipWatcher::OnBudgetTimer() {
    timers_.Stop(kBudgetTimerId);
    if (!reading_ || clipboard_closed_) return;
    // A timer may come early, or late behind other messages: the clock decides. What is left
    // of the budget and cannot be waited for is not waited for.
    const std::uint32_t budget = kSnapshotBudgetMs + CopyAllowanceMs(copied_mb_);
    if (const std::uint32_t left = BudgetLeftMs(started_, clock_.Now(), budget)) {
        if (timers_.Start(kBudgetTimerId, left)) return;
    }
    // Ending the reader frees the clipboard at once. Nothing is recorded as seen: the
    // content is captured once its owner renders it or ends.
    source_.Abandon();
    EndReading();
    const bool reported = hung_owner_reported_ == reading_owner_;
    hung_owner_ = hung_owner_reported_ = reading_owner_;
    retried_ = retried_ && hung_sequence_ == reading_sequence_;
    hung_sequence_ = reading_sequence_;
    if (hung_owner_ && ::IsWindow(hung_owner_)) AskIfAlive(hung_owner_);
    CaptureOver();
    if (!reported && report_read_failure) report_read_failure();
}

void ClipWatcher::SnapshotProgress(long progress) {
    if (!reading_) return;
    if (progress == ClipStore::kClipboardClosed) {
        // Only the transfer is left; the clipboard is free already.
        clipboard_closed_ = true;
        timers_.Stop(kBudgetTimerId);
        return;
    }
    if (progress > 0) copied_mb_ = static_cast<std::uint32_t>(progress);
}

void ClipWatcher::OwnerAnswered(HWND owner) {
    if (!hung_owner_ || owner != hung_owner_) return;
    probe_pending_ = false;
    // One that answers but hangs again on the same content is not asked for it again.
    const bool same_content = store_.CurrentSequence() == hung_sequence_;
    if (same_content && retried_) return;
    retried_ = same_content;
    hung_owner_ = nullptr;
    ArmCaptureTimer();
}

namespace {

void CALLBACK OwnerAnsweredNull(HWND owner, UINT, ULONG_PTR window, LRESULT) {
    ::PostMessageW(reinterpret_cast<HWND>(window), kMsgOwnerAnswered,
                   reinterpret_cast<WPARAM>(owner), 0);
}

}  // namespace

void ClipWatcher::AskIfAlive(HWND owner) {
    // Sent without waiting: the answer comes back as a message whenever the owner's
    // thread takes its messages again.
    probe_pending_ = ::SendMessageCallbackW(owner, WM_NULL, 0, 0, &OwnerAnsweredNull,
                                            reinterpret_cast<ULONG_PTR>(window_)) != FALSE;
}

void ClipWatcher::EndReading() noexcept {
    reading_ = false;
    timers_.Stop(kBudgetTimerId);
}

void ClipWatcher::CaptureOver() {
    if (std::exchange(capture_pending_, false)) ArmCaptureTimer();
    if (on_capture_over) on_capture_over();
}

void ClipWatcher::StoreSnapshot(ClipSlot snapshot) {
    Preview preview = PreviewOrFormatList(snapshot);
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
