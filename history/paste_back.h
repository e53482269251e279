// Pasting a slot back: a click on a filled tile puts the slot's formats back on
// the clipboard, makes the window the user came from active again, types Ctrl+V
// into it and paints the tile PastedColor, unless the restore could write nothing
// back. A window that can no longer take the keys (minimised, hidden, closed, or run
// at a higher integrity level) gets none: the content stays on the clipboard and the
// user is told so. PasteGuard keeps the program from capturing its own clipboard
// writes until GuardTimer clears it 1000 ms later.
#pragma once

#include <windows.h>

#include <functional>

#include "history/history_view.h"
#include "history/clip_watcher.h"
#include "history/paste_target.h"
#include "history/clip_snapshots.h"
#include "history/window_messages.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/timer.h"

namespace nimbara {

constexpr UINT kGuardDelayMs = 1000;
constexpr UINT kKeepOnTopDelayMs = 150;
// How long the paste-back waits, at most, for the other window to take the
// activation before it types; the program stays responsive either way.
constexpr DWORD kActivationWaitMs = 300;

class PasteBack {
public:
    PasteBack(HWND main_window, ClipSnapshots& snapshots, SlotRing& ring, HistoryView& tiles,
              ClipWatcher& watcher, Timers& timers, InputApi& input = SystemInput(),
              Clock& clock = SystemClock())
        : own_handle_(main_window),
          snapshots_(snapshots),
          ring_(ring),
          tiles_(tiles),
          watcher_(watcher),
          timers_(timers),
          input_(input),
          clock_(clock),
          target_(input) {}

    // The hotkey or the tray icon is about to show or hide the window: the user is
    // in the foreground window, which nothing of this program has taken yet.
    void ShowingFromOutside() { target_.NoteForeground(); }
    // Another program's window became the foreground window at the tick count `at`.
    void ForegroundChanged(HWND window, DWORD at) { target_.NoteFrontChange(window, at); }
    // The hotkey was pressed with these modifiers (MOD_ flags); its message was posted
    // at the tick count `message_time`.
    void HotKeyPressed(UINT modifiers, DWORD message_time);
    // A window of this program has left the screen (the history window hidden, a
    // dialog closed): an invisible one of ours must not keep the foreground, or the
    // user's keys reach no window.
    void WindowGone() { target_.TakeBackForeground(); }
    // WM_MOUSEACTIVATE: a click is about to activate the main window; the window
    // that is in the foreground now is the one the user is leaving.
    void MouseActivating();
    // WM_MOUSEACTIVATE for a left click on a filled tile while another window is active:
    // the history window is not activated, so that window keeps the keyboard, and it
    // is the one the user came from.
    void TileClickedFromOutside();
    // WM_ACTIVATE, ActivationChanged: records PrevActiveWindow at click activations.
    void ActivationChanged(WPARAM wp, LPARAM lp);
    // A click on the label of a filled tile: its slot goes back where the user came from.
    void PasteSlot(int slot);
    // A capture is over: a click taken during it pastes now.
    void CaptureOver();
    // GuardTimer's tick: the paste's own writes are over, changes are captured again.
    void OnGuardTimer();
    // The history window has just been shown or has pasted, while another window may be
    // taking the foreground: a short while later it is put back on top on screen.
    void KeepOnTopShortly();
    // A short while after a paste-back or a show: the history window back on top on screen.
    void OnKeepOnTopTimer();

    // A paste whose keys could not be typed: its content waits on the clipboard for
    // the user to paste it by hand, and the user is to be told so.
    std::function<void()> on_left_on_clipboard;

private:
    void Reactivate();
    void TypeInto();
    void SendCtrlV();
    void KeepOnTop();

    HWND own_handle_;  // OwnHandle
    ClipSnapshots& snapshots_;
    SlotRing& ring_;
    HistoryView& tiles_;
    ClipWatcher& watcher_;
    Timers& timers_;
    InputApi& input_;
    Clock& clock_;
    PasteTarget target_;             // PrevActiveWindow
    HWND leaving_window_ = nullptr;  // the foreground window seen before a click activation
    bool guard_timer_running_ = false;
    bool restoring_ = false;
    int deferred_slot_ = 0;  // a paste that came while a restore or a capture was under way
};

}  // namespace nimbara
