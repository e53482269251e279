// What happens when the clipboard changes: the main window is a member of the
// clipboard viewer chain and a clipboard format listener. Each notice of the chain is
// passed on down it and, like the listener's, arms CaptureTimer unless PasteGuard is set;
// where a change may have come without any notice (the window shown, the session back with
// its user, a resume), the sequence number is looked at. Whatever tells of a change, the
// sequence number decides: each change is captured once. 10 ms after the first notice of a
// burst the capture asks the clipboard reader (history/clip_reader) for a snapshot and
// goes on answering messages; the finished snapshot is stored in slot NextSlot, shown on
// that slot's tile as the newest, and NextSlot moves on round the ring. A snapshot that
// takes longer than its budget is cut short: what was read is kept, the rest kept as format
// numbers. A reader that ends on its own is replaced, and the content read again, unless it
// crashed on it; when no reader can be started the snapshot is taken in this process.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "history/history_view.h"
#include "history/clip_reader.h"
#include "history/clip_snapshots.h"
#include "history/window_messages.h"
#include "platform/clock.h"
#include "platform/notices.h"
#include "platform/timer.h"
#include "platform/viewer_chain.h"

namespace nimbara {

constexpr UINT kCaptureDelayMs = 10;
// A clipboard held open by another program is tried again after each of these waits,
// about a second in all, before the capture reports that it cannot open it: programs
// hold it for a moment while they write or read it, longer on a loaded machine.
constexpr UINT kBusyBackOffMs[] = {10, 20, 40, 80, 160, 250, 250, 250};

class ClipWatcher {
public:
    ClipWatcher(HWND main_window, ClipSnapshots& snapshots, SlotRing& ring, HistoryView& tiles,
                SnapshotSource& source, Timers& timers, Clock& clock = SystemClock(),
                NoticeApi& notices = SystemNotices())
        : window_(main_window),
          snapshots_(snapshots),
          ring_(ring),
          tiles_(tiles),
          source_(source),
          timers_(timers),
          clock_(clock),
          notices_(notices) {}
    ClipWatcher(const ClipWatcher&) = delete;
    ClipWatcher& operator=(const ClipWatcher&) = delete;

    // Joins the viewer chain, and registers for the clipboard's and the session's notices
    // where the system has them. Joining is followed by a notice from the system, so what is
    // on the clipboard at start-up becomes the first capture.
    void JoinChain();
    // Leaves the chain and gives back every registration: part of every way out.
    void LeaveChain() noexcept;

    LRESULT ClipboardChanged(WPARAM wp, LPARAM lp);    // WM_DRAWCLIPBOARD
    LRESULT ClipboardUpdated();                        // WM_CLIPBOARDUPDATE
    LRESULT ViewerChainChanged(WPARAM wp, LPARAM lp);  // WM_CHANGECBCHAIN
    // The moments after which a change may have come without any notice: each compares the
    // sequence number with the one last seen, and captures what is new. Nothing else looks.
    void LookForMissedChange();      // the window is shown
    void SessionChanged(WPARAM wp);  // WM_WTSSESSION_CHANGE
    void PowerChanged(WPARAM wp);    // WM_POWERBROADCAST
    void OnCaptureTimer();           // CaptureTimer's tick
    // kMsgSnapshotRead: takes whatever news the source has of the snapshot under way.
    void SnapshotsWaiting();
    void OnBudgetTimer();  // the budget timer's tick
    void OwnerAnswered();  // kMsgOwnerAnswered

    // A snapshot is under way: the clipboard is held for it, and a restore must wait.
    [[nodiscard]] bool capturing() const noexcept { return reading_; }
    // Told once a capture is over, whatever its end (a click that came meanwhile pastes).
    std::function<void()> on_capture_over;
    // Told after a capture whose content could not all be read, once its slot is stored;
    // may show a modal message box, in which later changes are captured as usual.
    std::function<void()> report_read_failure;
    // Told once, when no reader can be started and snapshots are taken in this process.
    std::function<void()> report_no_reader;

    void set_paste_guard(bool on) noexcept { paste_guard_ = on; }
    [[nodiscard]] bool paste_guard() const noexcept { return paste_guard_; }

private:
    void OnNotice();
    void ArmCaptureTimer(UINT delay_ms = kCaptureDelayMs);
    void BeginCapture();
    void StartReading();
    void ReadInProcess();
    void SnapshotTaken(SnapshotResult result, bool in_process = false);
    void ClipboardBusy();
    void ReaderEnded(const SnapshotNews& news, SnapshotResult arrived);
    void GiveUp(SnapshotResult arrived, bool report);
    void StoreSnapshot(ClipSlot snapshot);
    void EndReading() noexcept;
    void CaptureOver();
    void AskIfAlive(HWND owner);

    HWND window_;
    ClipSnapshots& snapshots_;
    SlotRing& ring_;
    HistoryView& tiles_;
    SnapshotSource& source_;
    Timers& timers_;
    Clock& clock_;
    NoticeApi& notices_;
    // The listener's notices come from the system itself: no member of the chain can keep
    // them from this window. Where there is none, the chain alone.
    NoticeSubscription listener_;
    NoticeSubscription session_notices_;
    ViewerChainMembership chain_;
    bool paste_guard_ = false;  // PasteGuard
    bool timer_armed_ = false;
    bool reading_ = false;
    bool capture_pending_ = false;  // a change came while a capture was still running
    std::size_t busy_retries_ = 0;
    std::uint32_t started_ = 0;     // the clock when the snapshot under way was asked for
    HWND reading_owner_ = nullptr;  // the owner of the content being read
    DWORD reading_sequence_ = 0;
    // Readers that ended on the content of this sequence number, not crashing.
    DWORD ended_sequence_ = 0;
    int reader_ends_ = 0;
    bool told_no_reader_ = false;
    // The owner whose content was given up, not asked again until it answers WM_NULL.
    HWND hung_owner_ = nullptr;
    DWORD hung_sequence_ = 0;
    bool probe_pending_ = false;  // WM_NULL sent to it, no answer yet
    bool retried_ = false;        // its content was asked for again after an answer
    HWND hung_owner_reported_ = nullptr;
};

}  // namespace nimbara
