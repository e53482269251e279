// What happens when the clipboard changes: the main window is a member of the
// clipboard viewer chain; each change notice is passed on down the chain and,
// unless PasteGuard is set, arms CaptureTimer. 10 ms after the first notice of a
// burst the capture snapshots the clipboard into slot NextSlot, shows it on that
// slot's tile as the newest, and moves NextSlot on round the ring.
#pragma once

#include <windows.h>

#include "history/capture_view.h"
#include "history/slot_store.h"
#include "platform/viewer_chain.h"

namespace nimbara {

constexpr UINT_PTR kCaptureTimerId = 1;  // Timer1
constexpr UINT kCaptureDelayMs = 10;
// A clipboard held open by another program is tried again after each of these waits,
// about a second in all, before the capture reports that it cannot open it: programs
// hold it for a moment while they write or read it, longer on a loaded machine.
constexpr UINT kBusyBackOffMs[] = {10, 20, 40, 80, 160, 250, 250, 250};

class ClipWatcher {
public:
    ClipWatcher(HWND main_window, ClipStore& store, SlotRing& ring, CaptureView& tiles)
        : window_(main_window), store_(store), ring_(ring), tiles_(tiles) {}
    ClipWatcher(const ClipWatcher&) = delete;
    ClipWatcher& operator=(const ClipWatcher&) = delete;

    // Joining is followed by a notice from the system, so what is on the clipboard
    // at start-up becomes the first capture.
    void JoinChain();
    void LeaveChain() noexcept;
    [[nodiscard]] bool in_chain() const noexcept { return chain_.joined(); }

    LRESULT ClipboardChanged(WPARAM wp, LPARAM lp);    // WM_DRAWCLIPBOARD
    LRESULT ViewerChainChanged(WPARAM wp, LPARAM lp);  // WM_CHANGECBCHAIN
    void Timer1Timer();                                // CaptureTimer's tick

    void set_paste_guard(bool on) noexcept { paste_guard_ = on; }
    [[nodiscard]] bool paste_guard() const noexcept { return paste_guard_; }

private:
    void ArmCaptureTimer(UINT delay_ms = kCaptureDelayMs);
    void Capture();

    HWND window_;
    ClipStore& store_;
    SlotRing& ring_;
    CaptureView& tiles_;
    ViewerChainMembership chain_;
    bool paste_guard_ = false;  // PasteGuard
    bool timer_armed_ = false;
    bool capturing_ = false;
    bool capture_pending_ = false;  // a change came while a capture was still running
    std::size_t busy_retries_ = 0;
};

}  // namespace nimbara
