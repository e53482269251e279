#include "app/main_window.h"

#include <commctrl.h>

#include "about/about_dialog.h"
#include "app/app_window.h"
#include "platform/error.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"

namespace nimbara {

namespace {

constexpr wchar_t kMainClass[] = L"TMainForm";
constexpr DWORD kMainStyle = WS_POPUP | WS_SYSMENU | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_TOPMOST;
// Designed client area and screen position; the position is not kept across runs.
constexpr int kClientWidth = 429, kClientHeight = 367, kLeft = 278, kTop = 169;
constexpr int kTitleHeight = 20, kPanelTopHeight = 42;
constexpr int kToolBarWidth = 425, kToolButtonWidth = 39, kToolButtonHeight = 38;
constexpr int kSeparatorWidth = 8;  // a toolbar separator's width, scaled like the buttons
constexpr DWORD kClearCaptionMask = 0xFF3FFFFF;  // everything but WS_CAPTION
constexpr WPARAM kMoveByTitleBar = 0xF012;       // SC_MOVE + 2

struct ToolButtonSpec {
    UINT command;
    int image;  // -1 for a separator
    const wchar_t* hint;
};
constexpr ToolButtonSpec kToolButtons[] = {
    {kToolButton1, 3, L"隐藏"}, {kToolButton2, 1, L"全部清空"}, {kToolButton9, 0, L"设置"},
    {1007, -1, nullptr},        {kToolButton4, 2, L"帮助"},     {kToolButton5, 4, L"关于"},
    {1006, -1, nullptr},        {kToolButton8, 5, L"退出程序"},
};

struct MenuItemSpec {
    UINT command;  // 0 for a separator
    const wchar_t* caption;
};
constexpr MenuItemSpec kTrayMenu[] = {
    {kN1, L"打开/隐藏(&O)"}, {kN4, L"全部清空(&C)"}, {kN5, L"系统设置(&S)"}, {0, nullptr},
    {kN7, L"帮助(&H)"},      {kN8, L"关于(&A)"},     {0, nullptr},           {kN2, L"退出系统(&X)"},
};

HBITMAP LoadBitmapResource(int id) {
    return static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                             IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
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

MainWindow::MainWindow(HWND application_window) : application_(application_window) {}

MainWindow::~MainWindow() {
    // However the program ends (a WM_QUIT from outside, a failure during creation), the
    // viewer chain and the hotkey are given back; after a close this does nothing.
    FormClose();
    // The grid's controls go with the window; the tiles' objects after it.
    Destroy();
}

void MainWindow::Create() {
    font_ = CreateSongTiFont();
    caption_font_ = CreateSongTiFont(true, GB2312_CHARSET);
    scale_ = LayoutScale{MeasureTextHeight(font_.get()), kDesignedTextHeight};
    RegisterClassOnce(
        {.name = kMainClass,
         .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
         .icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIMBARA))});
    Window::Create(TopLevelSpec({.class_name = kMainClass,
                                 .caption = L"MainForm",
                                 .style = kMainStyle,
                                 .ex_style = kMainExStyle,
                                 .place = {kLeft, kTop},
                                 .client = {kClientWidth, kClientHeight}},
                                scale_, application_));
    FormCreate();
}

void MainWindow::FormCreate() {
    ring_.ResetNextSlot();
    // No taskbar button for the program.
    ::SetWindowLongW(application_, GWL_EXSTYLE,
                     ::GetWindowLongW(application_, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
    // Without its title bar; the dialog frame stays.
    ::SetWindowLongW(hwnd(), GWL_STYLE,
                     static_cast<LONG>(::GetWindowLongW(hwnd(), GWL_STYLE) & kClearCaptionMask));
    // The outer height becomes the client height as designed, giving up the title
    // bar's space; the client area is that less the frame.
    RECT client, outer;
    ::GetClientRect(hwnd(), &client);
    ::GetWindowRect(hwnd(), &outer);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, outer.right - outer.left, client.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    BuildControls();
    // The window's own store only writes slots back; the reader process takes the snapshots.
    store_ = std::make_unique<ClipStore>(SystemClipboard(), hwnd(), nullptr);
    reader_ = std::make_unique<ClipReaderProcess>(hwnd());
    timers_ = std::make_unique<WindowTimers>(hwnd());
    watcher_ = std::make_unique<ClipWatcher>(hwnd(), *store_, ring_, *tiles_, *reader_, *timers_);
    watcher_->report_read_failure = [this] { ShowReadFailure(); };
    watcher_->on_capture_over = [this] {
        if (paste_) paste_->CaptureOver();
    };
    paste_ = std::make_unique<PasteBack>(hwnd(), *store_, ring_, *tiles_, *watcher_, *timers_);
    paste_->on_left_on_clipboard = [this] { ShowLeftOnClipboard(); };
    foreground_watch_ = std::make_unique<ForegroundWatch>(
        [this](HWND window, DWORD at) { paste_->ForegroundChanged(window, at); });
    watcher_->JoinChain();
    ToolButton2Click();
    hotkey_ = std::make_unique<GlobalHotKey>(hwnd(), SystemRegistry());
    hotkey_->LoadHotKey();
    hotkey_->ApplyHotKey();
}

void MainWindow::BuildControls() {
    BuildTitleStrip();
    RECT client;
    ::GetClientRect(hwnd(), &client);
    const int top_height = scale_(kTitleHeight);
    panel_top_.Create(hwnd(), kPanelTopId,
                      {0, top_height, client.right, top_height + scale_(kPanelTopHeight)}, L"",
                      {.inner = Bevel::kLowered, .show_caption = false}, font_.get());
    BuildToolBar();
    const int form_top = top_height + scale_(kPanelTopHeight);
    panel_form_.Create(hwnd(), kPanelFormId, {0, form_top, client.right, client.bottom}, L"",
                       {.inner = Bevel::kLowered, .show_caption = false}, font_.get());
    tiles_ = std::make_unique<SlotTiles>(panel_form_.hwnd(), scale_, font_.get(), [this](int slot) {
        if (paste_) paste_->PasteSlot(slot);
    });
    panel_form_.SetPointerSink(&tiles_->pointer_sink());
    BuildPopupMenu();
    BuildTrayIcon();
}

void MainWindow::BuildTitleStrip() {
    title_bitmap_.reset(LoadBitmapResource(IDB_TITLE));
    title_icon_bitmap_.reset(LoadBitmapResource(IDB_TITLE_ICON));
    close_bitmap_.reset(LoadBitmapResource(IDB_CLOSE));
    RECT client;
    ::GetClientRect(hwnd(), &client);
    img_title_.Create(hwnd(), kImgTitleId, {0, 0, client.right, scale_(kTitleHeight)},
                      title_bitmap_.get());
    // The strip does not clip its children, so the caption draws over its picture.
    HWND strip = img_title_.hwnd();
    image14_.Create(strip, kImage14Id, scale_(3, 2, 16, 16), title_icon_bitmap_.get());
    main_caption_.Create(strip, kLMainCaptionId, scale_(21, 4, 65, 12), L"Nimbara",
                         {.color = RGB(255, 255, 255), .font = caption_font_.get()});
    sb_close_.Create(strip, kSBCloseId, scale_(410, 3, 16, 14), close_bitmap_.get());
    img_title_.on_left_down = [this] { ImgTitleMouseDown(); };
    main_caption_.on_left_down = [this] { ImgTitleMouseDown(); };
    sb_close_.on_click = [this] { ToolButton1Click(); };
}

void MainWindow::BuildToolBar() {
    toolbar_bitmap_.reset(LoadBitmapResource(IDB_TOOLBAR));
    // Sized to its buttons: as tall as a scaled button, whatever the rounding of its
    // corners would give, so that no button loses its bottom row.
    toolbar1_ = CreateControl({.class_name = TOOLBARCLASSNAMEW,
                               .style = WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                        CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                               .x = scale_(2),
                               .y = scale_(2),
                               .width = scale_(kToolBarWidth),
                               .height = scale_(kToolButtonHeight),
                               .parent = panel_top_.hwnd(),
                               .id = kToolBar1Id});
    ::SendMessageW(toolbar1_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    image_list1_.reset(::ImageList_Create(32, 32, ILC_COLOR24, 6, 0));
    ::ImageList_Add(image_list1_.get(), toolbar_bitmap_.get(), nullptr);
    ::SendMessageW(toolbar1_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(image_list1_.get()));
    for (const ToolButtonSpec& spec : kToolButtons) {
        TBBUTTON b{};
        b.idCommand = static_cast<int>(spec.command);
        b.iBitmap = spec.image >= 0 ? spec.image : scale_(kSeparatorWidth);
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = spec.image >= 0 ? BTNS_BUTTON : BTNS_SEP;
        ::SendMessageW(toolbar1_, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&b));
    }
    ::SendMessageW(toolbar1_, TB_SETBUTTONSIZE, 0,
                   MAKELPARAM(scale_(kToolButtonWidth), scale_(kToolButtonHeight)));
    // The window is shown without taking the activation, and a tooltip control shows
    // nothing over an inactive window unless told to: the hints must show on hover.
    if (HWND tips = reinterpret_cast<HWND>(::SendMessageW(toolbar1_, TB_GETTOOLTIPS, 0, 0)))
        ::SetWindowLongW(tips, GWL_STYLE, ::GetWindowLongW(tips, GWL_STYLE) | TTS_ALWAYSTIP);
}

void MainWindow::BuildPopupMenu() {
    popup_menu1_.reset(::CreatePopupMenu());
    for (const MenuItemSpec& item : kTrayMenu) {
        if (item.command == 0) {
            ::AppendMenuW(popup_menu1_.get(), MF_SEPARATOR, 0, nullptr);
        } else {
            ::AppendMenuW(popup_menu1_.get(), MF_STRING, item.command, item.caption);
        }
    }
}

// The properties in the order a stored form gives them: Active first, so the icon
// is added still without its image, and the Icon assignment then shows it.
void MainWindow::BuildTrayIcon() {
    tray_icon1_ = std::make_unique<TrayIcon>(SystemShellNotify());
    tray_icon1_->SetActive(true);
    const UniqueHIcon icon(static_cast<HICON>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIMBARA), IMAGE_ICON, 32, 32, 0)));
    tray_icon1_->SetIcon(icon.get());
    tray_icon1_->SetToolTip("");
    tray_icon1_->on_click = [this](TrayIcon&) {
        if (paste_) paste_->ShowingFromOutside();
        ToolButton1Click();
    };
    // The application window gets the menu's commands and passes them to OnCommand.
    tray_icon1_->SetPopupMenu({.menu = popup_menu1_.get(), .command_window = application_});
}

bool MainWindow::shown() const noexcept {
    return (::GetMenuState(popup_menu1_.get(), kN1, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void MainWindow::ToolButton1Click() {
    const bool was_shown = shown();
    if (was_shown) {
        // Hiding the active window hands activation to another top-level window,
        // normally the one the user worked in before.
        tiles_->PointerGone();
        ::ShowWindow(hwnd(), SW_HIDE);
        if (paste_) paste_->WindowGone();
    } else {
        // Shown without taking the activation: the window the user works in stays
        // active, so that the click on a tile can tell which window to paste into.
        ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
        ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        KeepOpenDialogOnTop();
    }
    ::CheckMenuItem(popup_menu1_.get(), kN1,
                    MF_BYCOMMAND | (was_shown ? MF_UNCHECKED : MF_CHECKED));
}

void MainWindow::KeepOpenDialogOnTop() noexcept {
    // A modal dialog (or message box) open while the window comes up, by the hotkey or
    // the tray, must stay above it: under the disabled window it could be neither seen
    // nor reached. While one is open it is the only other shown window of ours that
    // takes input; the order of activations says nothing reliable about it under Wine.
    const HWND own[] = {hwnd(), application_};
    ::EnumThreadWindows(::GetCurrentThreadId(), &RaiseOpenDialog, reinterpret_cast<LPARAM>(own));
}

void MainWindow::ToolButton2Click() { tiles_->ClearAll(ring_); }

void MainWindow::ToolButton9Click() {
    if (!hotkey_) return;
    // Created at its first use and kept: later openings show it as it was left.
    if (!setup_form_) {
        setup_form_ = std::make_unique<SettingsDialog>(application_, *hotkey_, SystemRegistry());
    }
    setup_form_->ShowModal();
    if (paste_) paste_->WindowGone();
}

void MainWindow::ToolButton5Click() {
    if (!about_form_) about_form_ = std::make_unique<AboutDialog>(application_);
    about_form_->ShowModal();
    if (paste_) paste_->WindowGone();
}

void MainWindow::ImgTitleMouseDown() {
    ::ReleaseCapture();
    ::SendMessageW(hwnd(), WM_SYSCOMMAND, kMoveByTitleBar, 0);
}

void MainWindow::ShowReadFailure() {
    // As with the error report, a box already open is not joined by another.
    static bool showing = false;
    if (showing) return;
    showing = true;
    MessageBoxAside(L"打开粘贴板错误！", L"Nimbara", MB_OK | MB_TASKMODAL | MB_TOPMOST);
    showing = false;
}

void MainWindow::ShowLeftOnClipboard() {
    // Told once: further pastes that find no window while the box is up add no box.
    static bool showing = false;
    if (showing) return;
    showing = true;
    MessageBoxAside(L"内容已放入剪贴板，请在目标窗口中粘贴。", L"Nimbara",
                    MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
    showing = false;
}

void MainWindow::Close() { ::SendMessageW(hwnd(), WM_CLOSE, 0, 0); }

void MainWindow::FormClose() noexcept {
    if (std::exchange(closed_, true)) return;
    // Each step runs even when one before it failed: another program's viewer
    // chain and the hotkey must never stay held by a program that has ended.
    if (watcher_) watcher_->LeaveChain();
    if (reader_) reader_->Abandon();
    try {
        if (tiles_) ToolButton2Click();
    } catch (...) {
        ReportCurrentException();
    }
    if (hotkey_) hotkey_->ReleaseHotKey();
}

void MainWindow::OnCommand(UINT id) {
    switch (id) {
        case kToolButton1:
        case kN1:
            ToolButton1Click();
            break;
        case kToolButton2:
        case kN4:
            ToolButton2Click();
            break;
        case kToolButton9:
        case kN5:
            ToolButton9Click();
            break;
        case kToolButton5:
        case kN8:
            ToolButton5Click();
            break;
        case kToolButton8:
        case kN2:
            Close();
            break;
        case kToolButton4:
        case kN7:
        default:
            break;  // "帮助" does nothing
    }
}

LRESULT MainWindow::OnNotify(NMHDR* header) {
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        for (const ToolButtonSpec& spec : kToolButtons) {
            if (spec.command == header->idFrom && spec.hint) {
                info->lpszText = const_cast<wchar_t*>(spec.hint);
                info->hinst = nullptr;
            }
        }
    }
    return 0;
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_DRAWCLIPBOARD:
            return watcher_ ? watcher_->ClipboardChanged(wp, lp) : 0;
        case WM_CHANGECBCHAIN:
            return watcher_ ? watcher_->ViewerChainChanged(wp, lp) : 0;
        case WM_TIMER:
            if (wp == kCaptureTimerId && watcher_) watcher_->OnCaptureTimer();
            if (wp == kGuardTimerId && paste_) paste_->OnGuardTimer();
            if (wp == kKeepOnTopTimerId && paste_) paste_->OnKeepOnTopTimer();
            if (wp == kBudgetTimerId && watcher_) watcher_->OnBudgetTimer();
            return 0;
        case kMsgSnapshotRead:
            if (reader_) {
                ClipReaderProcess::Delivery delivery = reader_->Take(wp, lp);
                if (delivery.current && watcher_)
                    watcher_->SnapshotRead(std::move(delivery.result));
            }
            return 0;
        case kMsgSnapshotProgress:
            if (reader_ && watcher_ && reader_->IsCurrentRequest(wp))
                watcher_->SnapshotProgress(static_cast<long>(lp));
            return 0;
        case kMsgOwnerAnswered:
            if (watcher_) watcher_->OwnerAnswered(reinterpret_cast<HWND>(wp));
            return 0;
        case WM_MOUSEACTIVATE:
            if (paste_) {
                // The second press of a double click may start a click of its own too.
                const bool press = HIWORD(lp) == WM_LBUTTONDOWN || HIWORD(lp) == WM_LBUTTONDBLCLK;
                if (press && tiles_ && tiles_->PointerOnFilledTile()) {
                    paste_->TileClickedFromOutside();
                    return MA_NOACTIVATE;
                }
                paste_->MouseActivating();
            }
            return DefaultProc(msg, wp, lp);
        case WM_ACTIVATE:
            // Not passed on: the default handling would give this window the keyboard
            // focus, which the paste-back's keystrokes must not find here.
            if (paste_) paste_->ActivationChanged(wp, lp);
            return 0;
        case WM_COMMAND:
            if (HIWORD(wp) == 0 || HIWORD(wp) == BN_CLICKED) OnCommand(LOWORD(wp));
            return 0;
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<NMHDR*>(lp));
        case WM_HOTKEY:
            // Never passed on: a combination left over from an earlier choice ends here.
            if (hotkey_ && hotkey_->WMHotKey(lp)) {
                if (paste_)
                    paste_->HotKeyPressed(LOWORD(lp), static_cast<DWORD>(::GetMessageTime()));
                ToolButton1Click();
                return 1;
            }
            return 0;
        case WM_CLOSE:
            FormClose();
            ::PostQuitMessage(0);
            return 0;
        default:
            if (auto answer = AnswerSessionEnd(msg, wp)) return *answer;
            return DefaultProc(msg, wp, lp);
    }
}

}  // namespace nimbara
