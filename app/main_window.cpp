#include "app/main_window.h"

#include <commctrl.h>

#include "about/about_dialog.h"
#include "app/app_window.h"
#include "history/clip_reader.h"
#include "history/clip_watcher.h"
#include "history/paste_back.h"
#include "history/slot_ring.h"
#include "history/slot_tiles.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"
#include "settings/hotkey.h"
#include "settings/settings_dialog.h"

namespace nimbara {

namespace {

using enum Command;

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

MainWindow::MainWindow(HWND application_window, const Parts& parts)
    : application_(application_window), parts_(parts) {
    font_ = CreateSongTiFont();
    caption_font_ = CreateSongTiFont(true, GB2312_CHARSET);
    scale_ = ScaleFor(font_.get());
    DesignedWindow design = kMainWindow;
    design.icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIMBARA));
    CreateDesigned(design, scale_, application_);
    FormCreate();
}

MainWindow::~MainWindow() { Destroy(); }

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
    ::GetClientRect(hwnd(), &client);
    // The bands run the client area's full width, each under the one before.
    const int top_height = scale_(RowOf(kMainWindowLayout, MainControl::kTitleStrip).place.height);
    const int form_top =
        top_height + scale_(RowOf(kMainWindowLayout, MainControl::kToolBarPanel).place.height);
    toolbar_panel_.Create(hwnd(), UINT(MainControl::kToolBarPanel),
                          {0, top_height, client.right, form_top}, L"",
                          {.inner = Bevel::kLowered, .show_caption = false}, font_.get());
    BuildToolBar();
    tile_panel_.Create(hwnd(), UINT(MainControl::kTilePanel),
                       {0, form_top, client.right, client.bottom}, L"",
                       {.inner = Bevel::kLowered, .show_caption = false}, font_.get());
    BuildTrayMenu();
}

void MainWindow::BuildTitleStrip() {
    title_bitmap_.reset(LoadBitmapResource(IDB_TITLE));
    title_icon_bitmap_.reset(LoadBitmapResource(IDB_TITLE_ICON));
    close_bitmap_.reset(LoadBitmapResource(IDB_CLOSE));
    RECT client;
    ::GetClientRect(hwnd(), &client);
    const int height = scale_(RowOf(kMainWindowLayout, MainControl::kTitleStrip).place.height);
    title_strip_.Create(hwnd(), UINT(MainControl::kTitleStrip), {0, 0, client.right, height},
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
    toolbar_bitmap_.reset(LoadBitmapResource(IDB_TOOLBAR));
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
        ::ImageList_Create(kToolImageSize, kToolImageSize, ILC_COLOR24, kToolImageCount, 0));
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
    ToolButton2Click();
    parts_.hotkey.LoadHotKey();
    parts_.hotkey.ApplyHotKey();
}

void MainWindow::ToolButton1Click() {
    if (shown_) {
        // Hiding the active window hands activation to another top-level window,
        // normally the one the user worked in before.
        parts_.tiles.PointerGone();
        ::ShowWindow(hwnd(), SW_HIDE);
        parts_.paste.WindowGone();
    } else {
        // Shown without taking the activation: the window the user works in stays
        // active, so that the click on a tile can tell which window to paste into.
        ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        KeepOpenDialogOnTop();
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
void MainWindow::ToolButton2Click() {
    parts_.ring.ClearAll();
    parts_.tiles.ClearAll();
}

void MainWindow::ToolButton9Click() {
    parts_.settings_dialog.ShowModal();
    parts_.paste.WindowGone();
}

void MainWindow::ToolButton5Click() {
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
    parts_.watcher.LeaveChain();
    parts_.reader.Abandon();
    try {
        ToolButton2Click();
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
        case WM_TIMER:
            if (wp == kCaptureTimerId) parts_.watcher.OnCaptureTimer();
            if (wp == kGuardTimerId) parts_.paste.OnGuardTimer();
            if (wp == kKeepOnTopTimerId) {
                parts_.paste.OnKeepOnTopTimer();
                KeepOpenDialogOnTop();
            }
            if (wp == kBudgetTimerId) parts_.watcher.OnBudgetTimer();
            return 0;
        case kMsgSnapshotRead: {
            ClipReaderProcess::Delivery delivery = parts_.reader.Take(wp, lp);
            if (delivery.current) parts_.watcher.SnapshotRead(std::move(delivery.result));
            return 0;
        }
        case kMsgSnapshotProgress:
            if (parts_.reader.IsCurrentRequest(wp))
                parts_.watcher.SnapshotProgress(static_cast<long>(lp));
            return 0;
        case kMsgOwnerAnswered:
            parts_.watcher.OwnerAnswered(reinterpret_cast<HWND>(wp));
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
            if (parts_.hotkey.IsHotKeyMessage(lp)) {
                parts_.paste.HotKeyPressed(LOWORD(lp), static_cast<DWORD>(::GetMessageTime()));
                ToolButton1Click();
                return 1;
            }
            return 0;
        default:
            return DefaultProc(msg, wp, lp);
    }
}

}  // namespace nimbara
