#include "history/clip_watcher.h"

#include "history/preview.h"

#include <algorithm>
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
        (void)source_.Abandon();
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
            if (!reading_) snapshots_.NoteSeen(snapshots_.CurrentSequence());
            break;
    }
}

void ClipWatcher::LookForMissedChange() {
    // Told by no notice: as if one had come, once the number shows a change.
    if (ChangedSinceSeen(snapshots_.CurrentSequence(), snapshots_.last_sequence())) OnNotice();
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
    const DWORD sequence = snapshots_.CurrentSequence();
    if (sequence != 0 && sequence == snapshots_.last_sequence()) return;
    if (snapshots_.CountFormats() <= 0) return;
    const HWND owner = snapshots_.ContentOwner();
    if (hung_owner_ && owner == hung_owner_ && ::IsWindow(owner)) {
        // Not asked again, and the clipboard not held again, until it shows it answers.
        if (!probe_pending_) AskIfAlive(owner);
        return;
    }
    hung_owner_ = nullptr;
    reading_owner_ = owner;
    reading_sequence_ = sequence;
    if (sequence != ended_sequence_) reader_ends_ = 0;
    StartReading();
}

void ClipWatcher::StartReading() {
    reading_ = true;
    started_ = clock_.Now();
    // Without its budget a hung owner would hold the clipboard for good: no snapshot then.
    if (!timers_.Start(kBudgetTimerId, kSnapshotBudgetMs)) {
        reading_ = false;
        throw AppError(L"Cannot start the snapshot's budget timer");
    }
    if (source_.Begin()) return;
    EndReading();
    ReadInProcess();
}

void ClipWatcher::ReadInProcess() {
    // No reader can be started at all: taken here, as the program did before it had one.
    SnapshotResult result;
    try {
        result.slot = snapshots_.Snapshot();
    } catch (const ClipboardBusyError&) {
        ClipboardBusy();
        return;
    }
    result.sequence = snapshots_.last_sequence();
    result.unreadable = snapshots_.last_unreadable();
    SnapshotTaken(std::move(result), true);
}

void ClipWatcher::SnapshotsWaiting() {
    while (std::optional<SnapshotNews> news = source_.Take()) {
        if (!reading_) continue;  // given up already
        switch (news->kind) {
            case SnapshotNews::Kind::kTaken:
                SnapshotTaken(std::move(news->result));
                break;
            case SnapshotNews::Kind::kClipboardBusy:
                EndReading();
                ClipboardBusy();
                break;
            case SnapshotNews::Kind::kReaderEnded:
                ReaderEnded(*news, std::move(news->result));
                break;
        }
    }
}

void ClipWatcher::SnapshotTaken(SnapshotResult result, bool in_process) {
    EndReading();
    busy_retries_ = 0;
    hung_owner_reported_ = nullptr;
    reader_ends_ = 0;
    snapshots_.NoteSeen(result.sequence);
    const bool report = result.unreadable > 0;
    // A snapshot that restores nothing would empty the clipboard when pasted.
    if (HasRestorable(result.slot)) StoreSnapshot(std::move(result.slot));
    CaptureOver();
    // Only now, with the slot stored: the box runs a loop of its own, in which later
    // changes are captured as usual.
    if (in_process && !std::exchange(told_no_reader_, true) && report_no_reader) report_no_reader();
    if (report && report_read_failure) report_read_failure();
}

void ClipWatcher::ClipboardBusy() {
    // Programs hold the clipboard open for a moment while they write or read it; only a
    // clipboard that stays held is an error worth a message.
    if (busy_retries_ < std::size(kBusyBackOffMs)) {
        ArmCaptureTimer(kBusyBackOffMs[busy_retries_++]);
        CaptureOver();
        return;
    }
    busy_retries_ = 0;
    CaptureOver();
    throw ClipboardBusyError();
}

void ClipWatcher::ReaderEnded(const SnapshotNews& news, SnapshotResult arrived) {
    EndReading();
    ended_sequence_ = reading_sequence_;
    switch (AfterReaderEnded(news.end, ++reader_ends_, news.began)) {
        case AfterReaderEnd::kReadAgain:
            // Not the content's doing (ended from outside, at its start, its pipe broken): a
            // fresh reader reads it once more, under a budget of its own; the capture goes on.
            StartReading();
            return;
        case AfterReaderEnd::kReadInProcess:
            // No reader gets as far as a snapshot: taken here, as when none can be started.
            ReadInProcess();
            return;
        case AfterReaderEnd::kGiveUp:
            // It crashed on what it read, or ends on it every time: given up, with what had
            // arrived, and reported once.
            GiveUp(std::move(arrived), true);
            return;
    }
}

void ClipWatcher::GiveUp(SnapshotResult arrived, bool report) {
    // Only the content that was being read is taken as seen, never one that came since.
    snapshots_.NoteSeen(arrived.sequence != 0 ? arrived.sequence : reading_sequence_);
    if (HasRestorable(arrived.slot)) StoreSnapshot(std::move(arrived.slot));
    CaptureOver();
    if (report && report_read_failure) report_read_failure();
}

void ClipWatcher::OnBudgetTimer() {
    timers_.Stop(kBudgetTimerId);
    if (!reading_) return;
    // A timer may come early, or late behind other messages: the clock decides. What is left
    // of the budget and cannot be waited for is not waited for.
    const std::uint64_t arrived_mb = source_.BytesArrived() >> 20;
    const std::uint32_t budget =
        kSnapshotBudgetMs + CopyAllowanceMs(static_cast<std::uint32_t>(
                                std::min<std::uint64_t>(arrived_mb, 0xFFFFFFFFu)));
    if (const std::uint32_t left = BudgetLeftMs(started_, clock_.Now(), budget)) {
        if (timers_.Start(kBudgetTimerId, left)) return;
    }
    // Ending the reader frees the clipboard at once; what it read is kept.
    SnapshotResult arrived = source_.Abandon();
    if (arrived.whole) {
        SnapshotTaken(std::move(arrived));  // it came just now
        return;
    }
    EndReading();
    const bool reported = hung_owner_reported_ == reading_owner_;
    hung_owner_ = hung_owner_reported_ = reading_owner_;
    retried_ = retried_ && hung_sequence_ == reading_sequence_;
    hung_sequence_ = reading_sequence_;
    if (hung_owner_ && ::IsWindow(hung_owner_)) AskIfAlive(hung_owner_);
    GiveUp(std::move(arrived), !reported);
}

namespace {

// The owner whose answer to WM_NULL came back: the system calls OwnerAnsweredNull on this
// thread, and only that call sets it.
thread_local HWND answered_owner = nullptr;

}  // namespace

void ClipWatcher::OwnerAnswered() {
    const HWND owner = std::exchange(answered_owner, nullptr);
    if (!hung_owner_ || owner != hung_owner_) return;
    probe_pending_ = false;
    // One that answers but hangs again on the same content is not asked for it again.
    const bool same_content = snapshots_.CurrentSequence() == hung_sequence_;
    if (same_content && retried_) return;
    retried_ = same_content;
    hung_owner_ = nullptr;
    ArmCaptureTimer();
}

namespace {

void CALLBACK OwnerAnsweredNull(HWND owner, UINT, ULONG_PTR window, LRESULT) {
    answered_owner = owner;
    ::PostMessageW(reinterpret_cast<HWND>(window), kMsgOwnerAnswered, 0, 0);
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
