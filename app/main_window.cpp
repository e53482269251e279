#include "app/main_window.h"

#include <commctrl.h>

#include "about/about_dialog.h"
#include "app/app_window.h"
#include "history/clip_reader.h"
#include "history/clip_watcher.h"
#include "history/grid_keyboard.h"
#include "history/paste_back.h"
#include "history/slot_ring.h"
#include "history/slot_tiles.h"
#include "history/window_messages.h"
#include "platform/artwork.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"
#include "settings/hotkey.h"
#include "settings/settings_dialog.h"

namespace nimbara {

namespace {

using enum Command;

// The grid's keys come as hotkeys of this window too, never under the hotkey's id.
static_assert(kHotKeyId < kGridHotKeyIdFirst || kHotKeyId > kGridHotKeyIdLast);

struct ToolButtonSpec {
    Command command;
    int image;  // -1 for a separator
    const wchar_t* hint;
};
constexpr ToolButtonSpec kToolButtons[] = {
    {kToolToggle, 3, L"隐藏"},
    {kToolClearAll, 1, L"全部清空"},
    {kToolSettings, 0, L"设置"},
    {kToolSeparatorAfterSettings, -1, nullptr},
    {kToolHelp, 2, L"帮助"},
    {kToolAbout, 4, L"关于"},
    {kToolSeparatorAfterAbout, -1, nullptr},
    {kToolExit, 5, L"退出程序"},
};
constexpr int kToolImageCount = 6;

// The pictures of the title strip and the toolbar, at their designed sizes; each is kept
// at twice that size as well, for the screens of more than 96 dpi.
constexpr Artwork kTitleIconArt{IDB_TITLE_ICON, IDB_TITLE_ICON_2X, {16, 16}};
constexpr Artwork kCloseArt{IDB_CLOSE, IDB_CLOSE_2X, {9, 8}};
constexpr Artwork kToolBarArt{
    IDB_TOOLBAR, IDB_TOOLBAR_2X, {kToolImageSize * kToolImageCount, kToolImageSize}};

struct MenuItemSpec {
    Command command;
    const wchar_t* caption;  // nullptr for a separator
};
constexpr MenuItemSpec kTrayMenu[] = {
    {kMenuToggle, L"打开/隐藏(&O)"},
    {kMenuClearAll, L"全部清空(&C)"},
    {kMenuSettings, L"系统设置(&S)"},
    {{}, nullptr},
    {kMenuHelp, L"帮助(&H)"},
    {kMenuAbout, L"关于(&A)"},
    {{}, nullptr},
    {kMenuExit, L"退出系统(&X)"},
};

HBITMAP LoadBitmapResource(int id) {
    return static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                             IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

const LayoutRow& RowOf(const auto& table, MainControl id) {
    for (const LayoutRow& row : table) {
        if (row.id == UINT(id)) return row;
    }
    return table[0];
}

// Puts a shown window of this thread that takes input, other than the two in
// `lp`, at the top of the stay-on-top windows.
BOOL CALLBACK RaiseOpenDialog(HWND window, LPARAM lp) {
    const HWND* own = reinterpret_cast<const HWND*>(lp);
    if (window != own[0] && window != own[1] && ::IsWindowVisible(window) &&
        ::IsWindowEnabled(window))
        ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

}  // namespace

MainWindow::MainWindow(HWND application_window, const Parts& parts, DpiApi& dpi)
    : application_(application_window),
      parts_(parts),
      dpi_api_(dpi),
      dpi_(ScreenDpi()),
      placement_(kMainWindow.place, parts.monitors) {
    LoadFonts();
    DesignedWindow design = kMainWindow;
    design.icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIMBARA));
    CreateDesigned(design, scale_, application_);
    // Aware of each monitor's DPI, the window may have been made on a monitor of another
    // scale than the screen's: it is built at its own.
    if (const int own = dpi_api_.WindowDpi(hwnd()); own != dpi_) {
        dpi_ = own;
        LoadFonts();
        const SIZE outer =
            dpi_api_.OuterSize({scale_(kMainWindow.client.cx), scale_(kMainWindow.client.cy)},
                               design.style, design.ex_style, dpi_);
        ::SetWindowPos(hwnd(), nullptr, 0, 0, outer.cx, outer.cy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FormCreate();
}

MainWindow::~MainWindow() { Destroy(); }

// The window's fonts at its DPI, and the scale of its layout that their text height gives.
void MainWindow::LoadFonts() {
    font_ = CreateSongTiFontForDpi(dpi_);
    caption_font_ = CreateSongTiFontForDpi(dpi_, true, GB2312_CHARSET);
    scale_ = ScaleFor(font_.get());
}

void MainWindow::FormCreate() {
    // No taskbar button for the program.
    ::SetWindowLongW(application_, GWL_EXSTYLE,
                     ::GetWindowLongW(application_, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
    // Without its title bar; the dialog frame stays.
    ::SetWindowLongW(hwnd(), GWL_STYLE, ::GetWindowLongW(hwnd(), GWL_STYLE) & ~WS_CAPTION);
    // The outer height becomes the client height as designed, giving up the title
    // bar's space; the client area is that less the frame.
    RECT client, outer;
    ::GetClientRect(hwnd(), &client);
    ::GetWindowRect(hwnd(), &outer);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, outer.right - outer.left, client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    BuildTitleStrip();
    toolbar_panel_.Create(hwnd(), UINT(MainControl::kToolBarPanel),
                          BandPlace(MainControl::kToolBarPanel), L"",
                          {.inner = Bevel::kLowered, .show_caption = false}, font_.get());
    BuildToolBar();
    tile_panel_.Create(hwnd(), UINT(MainControl::kTilePanel), BandPlace(MainControl::kTilePanel),
                       L"", {.inner = Bevel::kLowered, .show_caption = false}, font_.get());
    BuildTrayMenu();
}

// The bands run the client area's full width, each under the one before; the tile
// panel takes what the other two leave.
RECT MainWindow::BandPlace(MainControl band) const {
    RECT client;
    ::GetClientRect(hwnd(), &client);
    const int top_height = scale_(RowOf(kMainWindowLayout, MainControl::kTitleStrip).place.height);
    const int form_top =
        top_height + scale_(RowOf(kMainWindowLayout, MainControl::kToolBarPanel).place.height);
    switch (band) {
        case MainControl::kTitleStrip:
            return {0, 0, client.right, top_height};
        case MainControl::kToolBarPanel:
            return {0, top_height, client.right, form_top};
        default:
            return {0, form_top, client.right, client.bottom};
    }
}

SIZE MainWindow::SizeAtDpi(int dpi) const {
    const UniqueHFont font = CreateSongTiFontForDpi(dpi);
    return OuterSizeAt(ScaleFor(font.get()), dpi);
}

// As built: the designed width inside the frame, the designed height outside it (the
// title bar's height given up).
SIZE MainWindow::OuterSizeAt(LayoutScale scale, int dpi) const {
    const auto style = static_cast<DWORD>(::GetWindowLongW(hwnd(), GWL_STYLE));
    const auto ex_style = static_cast<DWORD>(::GetWindowLongW(hwnd(), GWL_EXSTYLE));
    return {dpi_api_.OuterSize({scale(kMainWindow.client.cx), 0}, style, ex_style, dpi).cx,
            scale(kMainWindow.client.cy)};
}

// The window moved to, or opened on, a monitor of another scale, or its monitor's scale
// changed: everything is built again for the new DPI. Neither the DPI nor the rectangle
// the message carries is read, as any program can post the message with anything in it:
// the window asks the system for its own DPI (nothing to do when it is the one it is laid
// out at), and takes the size its layout has at that DPI, in the place the system would
// give it: under the pointer as it was while the user drags it, else at its corner.
void MainWindow::DpiChanged() {
    const int now = dpi_api_.WindowDpi(hwnd());
    if (now == dpi_) return;
    dpi_ = now;
    // The controls still drawn in the old fonts let them go before they are freed.
    const UniqueHFont old_font = std::move(font_), old_caption_font = std::move(caption_font_);
    LoadFonts();
    const SIZE size = OuterSizeAt(scale_, dpi_);
    RECT before;
    ::GetWindowRect(hwnd(), &before);
    POINT anchor{before.left, before.top};
    if (moving_) ::GetCursorPos(&anchor);
    const ScreenBox place =
        PlaceAfterDpiChange({before.left, before.top, before.right, before.bottom}, size.cx,
                            size.cy, anchor.x, anchor.y);
    ::SetWindowPos(hwnd(), nullptr, place.left, place.top, place.width(), place.height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    title_strip_.Destroy();
    BuildTitleStrip();
    const auto move = [](HWND window, const RECT& r) {
        ::MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    move(toolbar_panel_.hwnd(), BandPlace(MainControl::kToolBarPanel));
    toolbar_panel_.SetFont(font_.get());
    ::DestroyWindow(std::exchange(toolbar_, nullptr));
    BuildToolBar();
    move(tile_panel_.hwnd(), BandPlace(MainControl::kTilePanel));
    tile_panel_.SetFont(font_.get());
    parts_.tiles.Rescale(scale_, font_.get());
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void MainWindow::BuildTitleStrip() {
    // The strip's picture is a gradient, which keeps its look stretched to any size; the
    // pictures on it go by the DPI, and are stretched as designed only as far as the
    // strip's font is taller than the designed one at that DPI.
    title_bitmap_.reset(LoadBitmapResource(IDB_TITLE));
    title_icon_bitmap_ = LoadArtworkForDpi(kTitleIconArt, dpi_);
    close_bitmap_ = LoadArtworkForDpi(kCloseArt, dpi_);
    title_strip_.Create(hwnd(), UINT(MainControl::kTitleStrip), BandPlace(MainControl::kTitleStrip),
                        title_bitmap_.get());
    HWND strip = title_strip_.hwnd();
    const auto place = [this](MainControl id) {
        return Scaled(scale_, RowOf(kTitleStripLayout, id).place);
    };
    title_icon_.Create(strip, UINT(MainControl::kTitleIcon), place(MainControl::kTitleIcon),
                       title_icon_bitmap_.get());
    caption_.Create(strip, UINT(MainControl::kCaption), place(MainControl::kCaption), L"Nimbara",
                    {.color = RGB(255, 255, 255), .font = caption_font_.get()});
    close_button_.Create(strip, UINT(MainControl::kCloseButton), place(MainControl::kCloseButton),
                         close_bitmap_.get());
    title_strip_.on_left_down = [this] { ImgTitleMouseDown(); };
    caption_.on_left_down = [this] { ImgTitleMouseDown(); };
    close_button_.on_click = [this] { ToolButton1Click(); };
}

void MainWindow::BuildToolBar() {
    toolbar_bitmap_ = LoadArtworkForDpi(kToolBarArt, dpi_);
    const int image_size = ArtworkLength(kToolImageSize, dpi_);
    // As tall as a scaled button, whatever the rounding of its corners would give, so
    // that no button loses its bottom row.
    const DesignedRect& at = RowOf(kToolBarPanelLayout, MainControl::kToolBar).place;
    toolbar_ = CreateControl({.class_name = TOOLBARCLASSNAMEW,
                              .style = WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                                       CCS_NODIVIDER | CCS_NOPARENTALIGN,
                              .x = scale_(at.x),
                              .y = scale_(at.y),
                              .width = scale_(at.width),
                              .height = scale_(at.height),
                              .parent = toolbar_panel_.hwnd(),
                              .id = UINT(MainControl::kToolBar)});
    ::SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    toolbar_images_.reset(
        ::ImageList_Create(image_size, image_size, ILC_COLOR24, kToolImageCount, 0));
    ::ImageList_Add(toolbar_images_.get(), toolbar_bitmap_.get(), nullptr);
    ::SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbar_images_.get()));
    for (const ToolButtonSpec& spec : kToolButtons) {
        TBBUTTON b{};
        b.idCommand = static_cast<int>(spec.command);
        b.iBitmap = spec.image >= 0 ? spec.image : scale_(kToolSeparatorWidth);
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = spec.image >= 0 ? BTNS_BUTTON : BTNS_SEP;
        ::SendMessageW(toolbar_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
    }
    ::SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0,
                   MAKELPARAM(scale_(kToolButtonSize.cx), scale_(kToolButtonSize.cy)));
    // The window is shown without taking the activation, and a tooltip control shows
    // nothing over an inactive window unless told to: the hints must show on hover.
    if (HWND tips = reinterpret_cast<HWND>(::SendMessageW(toolbar_, TB_GETTOOLTIPS, 0, 0)))
        ::SetWindowLongW(tips, GWL_STYLE, ::GetWindowLongW(tips, GWL_STYLE) | TTS_ALWAYSTIP);
}

void MainWindow::BuildTrayMenu() {
    tray_menu_.reset(::CreatePopupMenu());
    for (const MenuItemSpec& item : kTrayMenu) {
        if (!item.caption) {
            ::AppendMenuW(tray_menu_.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            ::AppendMenuW(tray_menu_.get(), MF_STRING, UINT(item.command), item.caption);
        }
    }
}

void MainWindow::Start() {
    started_ = true;
    parts_.watcher.JoinChain();
    ClearAll();
    parts_.hotkey.LoadHotKey();
    parts_.hotkey.ApplyHotKey();
}

void MainWindow::ToggleShown(UserAt user_at) {
    if (shown_) {
        // Hiding the active window hands activation to another top-level window,
        // normally the one the user worked in before.
        parts_.tiles.PointerGone();
        parts_.keyboard.Handle(GridEvent::kHidden);
        ::ShowWindow(hwnd(), SW_HIDE);
        parts_.paste.WindowGone();
    } else {
        MonitorApi& monitors = placement_.monitors();
        placement_.PlaceForOpening(hwnd(), user_at == UserAt::kForegroundWindow
                                               ? monitors.MonitorOfForeground()
                                               : monitors.MonitorOfPointer());
        // Shown without taking the activation: the window the user works in stays
        // active, so that the click on a tile can tell which window to paste into.
        ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        KeepOpenDialogOnTop();
        // What the user comes to see is there even when no notice told of it.
        parts_.watcher.LookForMissedChange();
        // A window that takes the foreground back meanwhile (after the tray menu) is raised
        // on Wine's X server when its own thread gets to it, and there it would lie over
        // this one and take its clicks while the window order still says otherwise.
        parts_.paste.KeepOnTopShortly();
    }
    shown_ = !shown_;
    // The tray menu's first item shows the state.
    ::CheckMenuItem(tray_menu_.get(), UINT(kMenuToggle),
                    MF_BYCOMMAND | (shown_ ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::KeepOpenDialogOnTop() noexcept {
    // A modal dialog (or message box) open while the window comes up, by the hotkey or
    // the tray, must stay above it: under the disabled window it could be neither seen
    // nor reached. While one is open it is the only other shown window of ours that
    // takes input; the order of activations says nothing reliable about it under Wine.
    const HWND own[] = {hwnd(), application_};
    ::EnumThreadWindows(::GetCurrentThreadId(), &RaiseOpenDialog, reinterpret_cast<LPARAM>(own));
}

// The ring clears its slots; the grid shows it.
void MainWindow::ClearAll() {
    parts_.ring.ClearAll();
    parts_.tiles.ClearAll();
}

void MainWindow::OpenSettings() {
    parts_.keyboard.Handle(GridEvent::kDialogOpened);
    parts_.settings_dialog.ShowModal();
    parts_.paste.WindowGone();
}

void MainWindow::OpenAbout() {
    parts_.keyboard.Handle(GridEvent::kDialogOpened);
    parts_.about_dialog.ShowModal();
    parts_.paste.WindowGone();
}

void MainWindow::ImgTitleMouseDown() {
    ::ReleaseCapture();
    // SC_MOVE with HTCAPTION in its low bits: a move by the title bar, as if dragged there.
    ::SendMessageW(hwnd(), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

void MainWindow::ShowReadFailure() {
    // As with the error report, a box already open is not joined by another.
    MessageBoxAsideOnce(L"打开粘贴板错误！", L"Nimbara", MB_OK | MB_TASKMODAL | MB_TOPMOST);
}

void MainWindow::ShowNoReader() {
    MessageBoxAsideOnce(L"无法启动剪贴板读取进程，Nimbara 将在自身进程中读取剪贴板。", L"Nimbara",
                        MB_OK | MB_ICONWARNING | MB_TOPMOST);
}

void MainWindow::ShowLeftOnClipboard() {
    // Told once: further pastes that find no window while the box is up add no box.
    MessageBoxAsideOnce(L"内容已放入剪贴板，请在目标窗口中粘贴。", L"Nimbara",
                        MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
}

void MainWindow::Close() { ::SendMessageW(hwnd(), WM_CLOSE, 0, 0); }

void MainWindow::FormClose() noexcept {
    if (!started_ || std::exchange(closed_, true)) return;
    // Each step runs even when one before it failed: another program's viewer
    // chain and the hotkey must never stay held by a program that has ended.
    parts_.keyboard.Handle(GridEvent::kExit);
    parts_.watcher.LeaveChain();
    (void)parts_.reader.Abandon();
    try {
        ClearAll();
    } catch (...) {
        ReportCurrentException();
    }
    parts_.hotkey.ReleaseHotKey();
}

void MainWindow::OnCommand(UINT id) {
    switch (Command{id}) {
        case kToolToggle:
        case kMenuToggle:
            ToolButton1Click();
            break;
        case kToolClearAll:
        case kMenuClearAll:
            ToolButton2Click();
            break;
        case kToolSettings:
        case kMenuSettings:
            ToolButton9Click();
            break;
        case kToolAbout:
        case kMenuAbout:
            ToolButton5Click();
            break;
        case kToolExit:
        case kMenuExit:
            Close();
            break;
        default:
            break;  // "帮助" does nothing
    }
}

LRESULT MainWindow::OnNotify(NMHDR* header) {
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        for (const ToolButtonSpec& spec : kToolButtons) {
            if (UINT(spec.command) == header->idFrom && spec.hint) {
                info->lpszText = const_cast<wchar_t*>(spec.hint);
                info->hinst = nullptr;
            }
        }
    }
    return 0;
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == 0 || HIWORD(wp) == BN_CLICKED) OnCommand(LOWORD(wp));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lp));
        case WM_CLOSE:
            FormClose();
            ::PostQuitMessage(0);
            return 0;
        case WM_DISPLAYCHANGE:
            // A monitor gone, another resolution: the shown window back wholly in sight.
            if (shown_) placement_.KeepOnScreen(hwnd());
            return DefaultProc(msg, wp, lp);
        case WM_SETTINGCHANGE:
            // The taskbar moved or resized: the work areas changed.
            if (shown_ && wp == SPI_SETWORKAREA) placement_.KeepOnScreen(hwnd());
            return DefaultProc(msg, wp, lp);
        case WM_DPICHANGED:
            // The tiles are laid out with the window once they exist.
            if (started_) DpiChanged();
            return 0;
        case WM_ENTERSIZEMOVE:
        case WM_EXITSIZEMOVE:
            moving_ = msg == WM_ENTERSIZEMOVE;
            return DefaultProc(msg, wp, lp);
        default:
            if (auto answer = AnswerSessionEnd(msg, wp)) return *answer;
            // While the window is being built its parts do not exist yet.
            return started_ ? RouteToParts(msg, wp, lp) : DefaultProc(msg, wp, lp);
    }
}

LRESULT MainWindow::RouteToParts(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_DRAWCLIPBOARD:
            return parts_.watcher.ClipboardChanged(wp, lp);
        case WM_CHANGECBCHAIN:
            return parts_.watcher.ViewerChainChanged(wp, lp);
        case WM_CLIPBOARDUPDATE:
            return parts_.watcher.ClipboardUpdated();
        case WM_WTSSESSION_CHANGE:
            parts_.watcher.SessionChanged(wp);
            return 0;
        case WM_POWERBROADCAST:
            parts_.watcher.PowerChanged(wp);
            return DefaultProc(msg, wp, lp);
        case WM_TIMER:
        case kMsgSnapshotRead:
        case kMsgOwnerAnswered:
            // The history's timers and doorbells; wParam and lParam of a doorbell mean nothing.
            if (RouteHistoryMessage(parts_.watcher, parts_.paste, msg, wp) && msg == WM_TIMER &&
                wp == kKeepOnTopTimerId)
                KeepOpenDialogOnTop();
            return 0;
        case WM_MOUSEACTIVATE: {
            // The second press of a double click may start a click of its own too.
            const bool press = HIWORD(lp) == WM_LBUTTONDOWN || HIWORD(lp) == WM_LBUTTONDBLCLK;
            if (press && parts_.tiles.PointerOnFilledTile()) {
                parts_.paste.TileClickedFromOutside();
                return MA_NOACTIVATE;
            }
            parts_.paste.MouseActivating();
            return DefaultProc(msg, wp, lp);
        }
        case WM_ACTIVATE:
            // Not passed on: the default handling would give this window the keyboard
            // focus, which the paste-back's keystrokes must not find here.
            parts_.paste.ActivationChanged(wp, lp);
            return 0;
        case WM_HOTKEY:
            // Never passed on: a combination left over from an earlier choice ends here.
            // The grid's own keys are told apart by their ids first.
            if (parts_.keyboard.OnHotKey(wp)) return 0;
            if (parts_.hotkey.IsHotKeyMessage(lp)) {
                parts_.paste.HotKeyPressed(LOWORD(lp), static_cast<DWORD>(::GetMessageTime()));
                // Shown by the hotkey, the grid takes the keyboard, before it shows: a key
                // typed once it can be seen is its own. The user's window keeps the
                // foreground and its focus. Not while a dialog of ours is open: its keys are
                // its own.
                if (!shown_ && ::IsWindowEnabled(hwnd()))
                    parts_.keyboard.Handle(GridEvent::kShownByHotKey);
                ToggleShown(UserAt::kForegroundWindow);
                return 1;
            }
            return 0;
        default:
            return DefaultProc(msg, wp, lp);
    }
}

}  // namespace nimbara
