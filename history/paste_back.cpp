#include "history/paste_back.h"

#include "history/capture_rules.h"
#include "history/tile_rules.h"

namespace nimbara {

namespace {

struct KeyStep {
    BYTE virtual_key;
    DWORD flags;
};
constexpr KeyStep kCtrlV[] = {
    {VK_CONTROL, 0}, {'V', 0}, {'V', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};

}  // namespace

void PasteBack::MouseActivating() {
    HWND foreground = input_.Foreground();
    leaving_window_ = ::GetAncestor(foreground, GA_ROOT) == own_handle_ ? nullptr : foreground;
}

void PasteBack::HotKeyPressed(UINT modifiers, DWORD message_time) {
    // Before anything else: the mask must reach the user's window ahead of the
    // release of Alt whenever it can. Only another program's window has a menu bar
    // to keep out of it; this program's windows would only start showing their
    // keyboard cues. A message handled late may find the user typing elsewhere.
    HotKeyMoment moment{.alt_in_combination = (modifiers & MOD_ALT) != 0};
    if (moment.alt_in_combination) {
        moment.alt_down = input_.KeyIsDown(VK_MENU);
        moment.ms_since_message = clock_.Now() - message_time;
        HWND front = input_.Foreground();
        moment.front_changed_since = target_.FrontChangedSince(front, message_time);
        moment.front = input_.Observe(front);
    }
    if (ShouldMaskAltRelease(moment)) MaskAltRelease(input_, modifiers);
    ShowingFromOutside();
}

void PasteBack::TileClickedFromOutside() {
    // What a click activation from that window would record; the activation itself
    // is left out because, on X11 under Wine, the input focus taken by this window
    // does not always go back with a later SetForegroundWindow, and the user's next
    // keys would then be lost. With this window active already (Wine asks about
    // activation at every click), or the taskbar (where a click on the tray icon
    // leaves the foreground on Windows), the record stays as it was.
    target_.NoteForeground();
}

void PasteBack::ActivationChanged(WPARAM wp, LPARAM lp) {
    // Only an activation by a mouse click of a window that is not minimised counts;
    // showing the window by the hotkey or from the tray never changes the record.
    if (wp != WA_CLICKACTIVE) return;
    HWND leaving = reinterpret_cast<HWND>(lp);
    // The system names no window when the one left belongs to another process (as
    // Wine does); the foreground window seen just before the click is that window.
    if (!leaving) leaving = std::exchange(leaving_window_, nullptr);
    // The main window never records itself, nor any other window of this program.
    if (!leaving) {
        target_.Forget();
    } else {
        target_.Note(leaving);
    }
}

void PasteBack::PasteSlot(int slot) {
    // While a restore waits on the clipboard, messages that other programs send are
    // handled: a second paste among them waits until this one has written everything. A
    // snapshot under way holds the clipboard: the paste waits until it is over.
    if (restoring_ || watcher_.capturing()) {
        deferred_slot_ = slot;
        return;
    }
    bool wrote_nothing = false;
    {
        // Held, not borrowed: a Clear all, an exit or a capture handled meanwhile frees
        // the slot's snapshot only after the restore is done with it.
        const SlotRing::Held snapshot = ring_.Hold(slot);
        // Only a paste that waited behind another finds its slot empty: a Clear all came
        // after the click, and the keys would paste what the clipboard holds instead.
        if (!snapshot) return;
        // Nothing of it can be written back: the clipboard stays as it is, and no keys.
        if (!HasRestorable(*snapshot)) return;
        watcher_.set_paste_guard(true);
        restoring_ = true;
        try {
            wrote_nothing = snapshots_.Restore(*snapshot) == 0;
        } catch (...) {
            restoring_ = false;
            deferred_slot_ = 0;
            // Nothing was written, so nothing of this paste is to be kept from the capture;
            // an earlier paste's writes are, until its own guard second ends.
            if (!guard_timer_running_) watcher_.set_paste_guard(false);
            throw;
        }
        restoring_ = false;
    }
    // With no record at all (no window of another program in front since the start)
    // the keys go where the keyboard is. With nothing written back they would paste what
    // the clipboard held before, or nothing: no keys, and the tile claims no paste.
    const bool typed = !wrote_nothing && (!target_.window() || target_.KeysReach());
    if (typed) {
        TypeInto();
        tiles_.MarkPasted(slot);
    }
    if (!guard_timer_running_) guard_timer_running_ = timers_.Start(kGuardTimerId, kGuardDelayMs);
    // A paste that waited behind this one puts its own slot on the clipboard and tells
    // its own outcome.
    if (const int next = std::exchange(deferred_slot_, 0)) return PasteSlot(next);
    if (!typed && !wrote_nothing && on_left_on_clipboard) on_left_on_clipboard();
}

void PasteBack::TypeInto() {
    Reactivate();
    SendCtrlV();
    KeepOnTop();
    // The other window's own raise may come after that: look again shortly.
    KeepOnTopShortly();
}

// A timer that cannot run costs only that second look.
void PasteBack::KeepOnTopShortly() {
    static_cast<void>(timers_.Start(kKeepOnTopTimerId, kKeepOnTopDelayMs));
}

void PasteBack::CaptureOver() {
    if (restoring_) return;  // the restore under way takes it when it is done
    if (const int next = std::exchange(deferred_slot_, 0)) PasteSlot(next);
}

void PasteBack::Reactivate() {
    // The keys must reach the window the user came from, not this one: ask for the
    // activation and wait, briefly and boundedly, until that window's thread has
    // taken it.
    HWND target = target_.window();
    if (!input_.RequestForeground(target)) return;
    const std::uint32_t start = clock_.Now();
    while (!input_.HasTakenForeground(target) && clock_.Now() - start < kActivationWaitMs)
        input_.WaitBriefly(5);
}

void PasteBack::KeepOnTop() {
    // The history window stays on top of the window it pasted into. Wine's virtual
    // desktop can show the activated window above a topmost one while the window
    // order says otherwise; only a real change of order puts it right on screen.
    constexpr UINT kFlags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    ::SetWindowPos(own_handle_, HWND_NOTOPMOST, 0, 0, 0, 0, kFlags);
    ::SetWindowPos(own_handle_, HWND_TOPMOST, 0, 0, 0, 0, kFlags);
}

void PasteBack::SendCtrlV() {
    for (const KeyStep& step : kCtrlV) {
        const UINT scan = input_.ScanCodeOf(step.virtual_key);
        input_.KeyEvent(step.virtual_key, static_cast<BYTE>(scan), step.flags);
    }
}

void PasteBack::OnKeepOnTopTimer() {
    timers_.Stop(kKeepOnTopTimerId);
    KeepOnTop();
}

void PasteBack::OnGuardTimer() {
    timers_.Stop(kGuardTimerId);
    guard_timer_running_ = false;
    watcher_.set_paste_guard(false);
}

}  // namespace nimbara
