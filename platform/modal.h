// Dialogs of the program's own, run modally on the program's one thread.
#pragma once

#include <windows.h>

#include "platform/placement.h"
#include "platform/window.h"

namespace nimbara {

// Runs `dialog` modally: the owner's other windows are disabled and the thread's
// messages keep being dispatched (clipboard notices, timers, the hotkey) until
// `done` becomes true. Tab and arrow keys move between the dialog's controls.
void RunModal(HWND dialog, const bool& done);

// A dialog built at its first opening and kept, hidden, for every later one: each
// opening shows it as the last one left it, on the monitor under the pointer (where
// the toolbar button or the tray menu was clicked) by the rule of placement_rules.h.
class ModalDialog : public Window {
public:
    // Shows the dialog modally until a handler ends it. Opened again while open (the
    // tray menu stays usable meanwhile), it is only brought to the front: a second
    // modal loop on the same window would end with the first.
    void ShowModal();
    // Builds the dialog hidden, unless it is built already.
    void EnsureBuilt();

protected:
    // `designed_place`: where the dialog opens on the primary monitor, as designed.
    explicit ModalDialog(POINT designed_place, MonitorApi& monitors = SystemMonitors()) noexcept
        : placement_(designed_place, monitors) {}
    ~ModalDialog() override;

    // Creates the window and its controls. A half-built dialog is not kept.
    virtual void Build() = 0;
    // Runs once, after the first build.
    virtual void Loaded() {}
    // A button's click (by the mouse, the space bar or the Enter key).
    virtual void ButtonClicked(UINT id) = 0;
    // The close box: the dialog is hidden and kept for the next opening.
    virtual void CloseBoxClicked() { EndModal(); }
    // The control that takes the keyboard focus at the first activation; later ones
    // give it back to where it was when the dialog was left.
    [[nodiscard]] virtual HWND FirstFocus() const noexcept = 0;
    // Any other message.
    virtual LRESULT OtherMessage(UINT msg, WPARAM wp, LPARAM lp) {
        return DefaultProc(msg, wp, lp);
    }

    void EndModal() noexcept { done_ = true; }

private:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) final;

    void Activated(WPARAM wp) noexcept;

    ScreenPlacement placement_;
    HWND focus_ = nullptr;  // the control that had the focus when the dialog last lost it
    bool open_ = false;
    bool done_ = false;
};

}  // namespace nimbara
