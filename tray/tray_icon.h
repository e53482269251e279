// TrayIcon: one icon in the notification area. It adds and removes the icon,
// keeps its image and tooltip current, turns the shell's mouse notices into click,
// double-click and right-click events, and shows a popup menu on a right click.
// It talks to the shell only through ShellNotifyApi and a hidden window of its
// own, and knows nothing of the rest of the program.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <string_view>

#include "platform/handles.h"
#include "platform/shell_notify.h"
#include "platform/window.h"

namespace nimbara {

// Message numbers on the hidden window.
constexpr UINT kTrayCallbackMessage = WM_USER + 1;  // the shell's mouse notices
constexpr UINT kTrayDeferredRefresh = WM_USER + 2;  // posted after an add without tooltip

// The menu shown on a right click. The menu is not owned: whoever assigns it keeps
// it alive as long as the icon can be right-clicked. `command_window` is brought
// to the foreground before the menu shows and receives the chosen item's WM_COMMAND.
struct TrayMenu {
    HMENU menu = nullptr;
    HWND command_window = nullptr;
};

class TrayIcon {
public:
    // Creates the hidden window and the empty icon; adds nothing to the shell.
    explicit TrayIcon(ShellNotifyApi& shell);
    // Deletes the icon from the notification area when it is active.
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    [[nodiscard]] bool active() const noexcept { return active_; }
    // Adds the icon when it becomes true, deletes it when it becomes false; the
    // same value again sends nothing.
    void SetActive(bool active);

    // Whether a form designer shows the icon. The program never runs inside a
    // designer, so assigning it does nothing and it always reads false.
    [[nodiscard]] bool show_designing() const noexcept { return false; }
    void SetShowDesigning(bool) noexcept {}

    // The component's own copy of the image; nullptr while it is empty.
    [[nodiscard]] HICON icon() const noexcept { return icon_.get(); }
    // Copies the image of `icon` (nullptr: empty) and updates the shell's icon.
    // The component's own icon changes nothing.
    void SetIcon(HICON icon);

    // ANSI bytes, at most 62 of them.
    [[nodiscard]] const std::string& tool_tip() const noexcept { return tool_tip_; }
    // Keeps the first 62 bytes and updates the shell's icon. The record's tooltip
    // field holds ANSI bytes, so the cut counts bytes and may split a double-byte
    // character.
    void SetToolTip(std::string_view ansi);

    void SetPopupMenu(const TrayMenu& menu) noexcept { popup_menu_ = menu; }

    // The hidden window the shell talks to.
    [[nodiscard]] HWND window() const noexcept { return window_.hwnd(); }

    // The DPI of the notification area may have changed: the icon wants an image of the
    // size of the new one.
    std::function<void(TrayIcon& sender)> on_dpi_changed;

    // A release of the left button over the icon.
    std::function<void(TrayIcon& sender)> on_click;
    // A double click of the left button; it comes between two clicks.
    std::function<void(TrayIcon& sender)> on_dbl_click;
    // A release of the right button, after the popup menu (if any) has closed;
    // `cursor` is the pointer position in screen coordinates.
    std::function<void(TrayIcon& sender, POINT cursor)> on_right_click;

private:
    // The hidden top-level window the shell talks to; never shown.
    class NotifyWindow : public Window {
    public:
        explicit NotifyWindow(TrayIcon& owner) : owner_(owner) {}
        void Create();

    protected:
        LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    private:
        TrayIcon& owner_;
    };

    [[nodiscard]] bool HandleMessage(UINT msg, LPARAM lp);
    void HandleShellNotice(UINT mouse_message);
    void RightClick();
    static void GiveForegroundBack(HWND owner, HWND before);
    void FillRecord();
    void Add();
    void Modify();
    void Delete();

    ShellNotifyApi& shell_;
    NOTIFYICONDATAA record_{};
    UniqueHIcon icon_;
    std::string tool_tip_;
    NotifyWindow window_{*this};
    UINT taskbar_created_ = 0;
    bool active_ = false;
    TrayMenu popup_menu_;
};

}  // namespace nimbara
