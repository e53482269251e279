#include "tray/tray_icon.h"

#include <cstring>

#include "tray/tooltip_rules.h"

namespace nimbara {

namespace {

constexpr wchar_t kNotifyWindowClass[] = L"NimbaraTrayIcon";
constexpr UINT kIconId = 0;
// How long a right click waits, at most, for the window given the foreground back to
// have handled its activation.
constexpr UINT kActivationAnswerMs = 300;

// Runs what already waits in the thread's queue, so that the program is up to
// date before the menu's own loop takes over. A quit request found here is put
// back for the main loop; false then tells the caller that the program is ending.
[[nodiscard]] bool DispatchWaitingMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace

void TrayIcon::NotifyWindow::Create() {
    RegisterClassOnce({.name = kNotifyWindowClass});
    Window::Create(
        {.class_name = kNotifyWindowClass, .style = WS_POPUP, .ex_style = WS_EX_TOOLWINDOW});
}

LRESULT TrayIcon::NotifyWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (owner_.HandleMessage(msg, lp)) return 0;
    return DefaultProc(msg, wp, lp);
}

TrayIcon::TrayIcon(ShellNotifyApi& shell) : shell_(shell) {
    window_.Create();
    // Sent to every top-level window when the notification area has been built
    // anew (the shell restarted): an active icon must be added again or it is lost.
    taskbar_created_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    // The shell runs at medium integrity: unless an elevated program lets this notice
    // through, its icon is lost for good when Explorer restarts.
    if (taskbar_created_ != 0)
        static_cast<void>(AllowMessageFromLowerIntegrity(window_.hwnd(), taskbar_created_));
}

TrayIcon::~TrayIcon() {
    if (active_) Delete();
    icon_.reset();
    window_.Destroy();
}

void TrayIcon::SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    if (active_) {
        Add();
    } else {
        Delete();
    }
}

void TrayIcon::SetIcon(HICON icon) {
    if (icon != nullptr && icon == icon_.get()) return;
    icon_.reset(icon ? ::CopyIcon(icon) : nullptr);
    Modify();
}

void TrayIcon::SetToolTip(std::string_view ansi) {
    tool_tip_ = CutToolTip(ansi);
    Modify();
}

bool TrayIcon::HandleMessage(UINT msg, LPARAM lp) {
    if (msg == kTrayDeferredRefresh) {
        const std::string tip = tool_tip_;
        SetToolTip(tip);
        return true;
    }
    if (msg == kTrayCallbackMessage) {
        // The first version of the record gets the mouse message itself in lParam.
        HandleShellNotice(LOWORD(lp));
        return true;
    }
    if (msg == WM_DPICHANGED) {
        // Nothing of the message is read: the owner asks the system for the new DPI.
        if (on_dpi_changed) on_dpi_changed(*this);
        return true;
    }
    if (taskbar_created_ != 0 && msg == taskbar_created_) {
        if (active_) Add();
        return true;
    }
    return false;
}

void TrayIcon::HandleShellNotice(UINT mouse_message) {
    switch (mouse_message) {
        case WM_LBUTTONUP:
            if (on_click) on_click(*this);
            break;
        case WM_LBUTTONDBLCLK:
            if (on_dbl_click) on_dbl_click(*this);
            break;
        case WM_RBUTTONUP:
            RightClick();
            break;
        default:
            break;  // moves, presses, the middle button, right double clicks
    }
}

void TrayIcon::RightClick() {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    if (popup_menu_.menu) {
        HWND owner = popup_menu_.command_window ? popup_menu_.command_window : window_.hwnd();
        // A menu closes when the user clicks elsewhere only if its owner is the
        // foreground window.
        HWND before = ::GetForegroundWindow();
        ::SetForegroundWindow(owner);
        if (DispatchWaitingMessages()) {
            // Returns when the menu has closed; the chosen item's WM_COMMAND has
            // then gone to the owner.
            ::TrackPopupMenu(popup_menu_.menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y,
                             0, owner, nullptr);
        }
        GiveForegroundBack(owner, before);
    }
    if (on_right_click) on_right_click(*this, cursor);
}

// The owner took the foreground only for the menu; hidden as it is, it would keep
// the user's keys from every window. It goes back where it came from, unless the
// user has gone elsewhere meanwhile (a click away from the menu onto a window). The
// chosen command comes after this; one that opens a dialog activates the dialog.
//
// The window of another thread activates itself when its thread comes round to it,
// and under Wine that raises it on the X server, which sends every click to the
// window it sees on top there. Were it still doing so while the chosen command shows
// a window, it could end up above that window there while the window order puts
// the shown window on top, and take all its clicks. So the command waits until that
// thread has handled its activation: it answers a message sent after it, in order.
void TrayIcon::GiveForegroundBack(HWND owner, HWND before) {
    if (!before || before == owner || !::IsWindow(before) || ::GetForegroundWindow() != owner ||
        ::IsWindowVisible(owner))
        return;
    if (!::SetForegroundWindow(before)) return;
    // Bounded: a window that does not answer in time delays no command for long.
    DWORD_PTR ignored = 0;
    static_cast<void>(::SendMessageTimeoutW(before, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                            kActivationAnswerMs, &ignored));
}

// Written before every add and modify; a delete uses the record as last written.
void TrayIcon::FillRecord() {
    record_ = NOTIFYICONDATAA{};
    record_.cbSize = kNotifyRecordSize;
    record_.hWnd = window_.hwnd();
    record_.uID = kIconId;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = kTrayCallbackMessage;
    record_.hIcon = icon_.get();
    static_assert(kMaxToolTipBytes < sizeof(record_.szTip));
    std::memcpy(record_.szTip, tool_tip_.data(), tool_tip_.size());
}

// A failed shell call is neither reported nor retried: the icon stays away until
// it is added again (Active, or the shell announcing a new notification area).
void TrayIcon::Add() {
    FillRecord();
    static_cast<void>(shell_.NotifyIcon(NIM_ADD, record_));
    // An icon added without a tooltip gets its (empty) tooltip once more by a
    // modify, when the queue comes round to it after the add.
    if (tool_tip_.empty()) ::PostMessageW(window_.hwnd(), kTrayDeferredRefresh, 0, 0);
}

void TrayIcon::Modify() {
    FillRecord();
    if (active_) static_cast<void>(shell_.NotifyIcon(NIM_MODIFY, record_));
}

void TrayIcon::Delete() { static_cast<void>(shell_.NotifyIcon(NIM_DELETE, record_)); }

}  // namespace nimbara
