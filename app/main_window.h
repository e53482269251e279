// The main window, MainForm: a small stay-on-top window without a system title
// bar, with a title strip of its own, a toolbar of commands and the grid of the
// twelve slot tiles. Its handle is the one the program uses for the clipboard
// viewer chain, the clipboard, the hotkey and the paste-back. It owns its chrome
// (title strip, toolbar, tray menu) and routes messages and commands to the parts
// that the program's composition root (app/program.h) builds on its handle.
#pragma once

#include <windows.h>

#include "platform/controls.h"
#include "platform/dpi.h"
#include "platform/handles.h"
#include "platform/layout.h"
#include "platform/panel.h"
#include "platform/placement.h"
#include "platform/window.h"

namespace nimbara {

class AboutDialog;
class ClipReaderProcess;
class ClipWatcher;
class GlobalHotKey;
class GridKeyboard;
class PasteBack;
class SettingsDialog;
class SlotRing;
class SlotTiles;

// Command identifiers of the toolbar buttons and the tray menu items.
enum class Command : UINT {
    kToolToggle = 1001,    // "隐藏": show/hide toggle
    kToolClearAll = 1002,  // "全部清空"
    kToolHelp = 1004,      // "帮助": nothing
    kToolAbout = 1005,     // "关于": About dialog
    kToolSeparatorAfterAbout = 1006,
    kToolSeparatorAfterSettings = 1007,
    kToolExit = 1008,      // "退出程序"
    kToolSettings = 1009,  // "设置": settings dialog
    kMenuToggle = 2001,    // "打开/隐藏(&O)"
    kMenuExit = 2002,      // "退出系统(&X)"
    kMenuClearAll = 2004,  // "全部清空(&C)"
    kMenuSettings = 2005,  // "系统设置(&S)"
    kMenuHelp = 2007,      // "帮助(&H)"
    kMenuAbout = 2008,     // "关于(&A)"
};

// Control identifiers of the window's own parts, for readers from outside.
enum class MainControl : UINT {
    kTitleStrip = 10,
    kTitleIcon = 11,
    kCaption = 12,
    kCloseButton = 13,
    kToolBarPanel = 20,
    kToolBar = 21,
    kTilePanel = 30,
};

inline constexpr DesignedWindow kMainWindow{
    .class_name = L"TMainForm",
    .caption = L"MainForm",
    .style = WS_POPUP | WS_SYSMENU | WS_CAPTION | WS_CLIPCHILDREN,
    .ex_style = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_TOPMOST,
    // On the primary monitor; on another, as far from its top-left corner. The position
    // is not kept across runs.
    .place = {278, 169},
    .client = {429, 367},
};

// Layout tables, each in its parent's client area. The bands of the window run its
// full width, one under the other; the tile panel takes what the other two leave.
inline constexpr LayoutRow kMainWindowLayout[] = {
    {UINT(MainControl::kTitleStrip), {0, 0, kMainWindow.client.cx, 20}},
    {UINT(MainControl::kToolBarPanel), {0, 20, kMainWindow.client.cx, 42}},
    {UINT(MainControl::kTilePanel), {0, 62, kMainWindow.client.cx, kMainWindow.client.cy - 62}},
};
// The strip does not clip its children, so the caption draws over its picture.
inline constexpr LayoutRow kTitleStripLayout[] = {
    {UINT(MainControl::kTitleIcon), {3, 2, 16, 16}},
    {UINT(MainControl::kCaption), {21, 4, 65, 12}},
    {UINT(MainControl::kCloseButton), {410, 3, 16, 14}},
};
// Sized to its buttons: as tall as a button.
inline constexpr LayoutRow kToolBarPanelLayout[] = {
    {UINT(MainControl::kToolBar), {2, 2, 425, 38}},
};
inline constexpr SIZE kToolButtonSize{39, 38};
inline constexpr int kToolSeparatorWidth = 8;  // scaled like the buttons
inline constexpr int kToolImageSize = 32;      // each of the toolbar bitmap's square images

// Where the user works when the window is shown: it opens on the monitor holding that.
enum class UserAt : UINT {
    kPointer,           // a click on the tray icon or in its menu
    kForegroundWindow,  // the hotkey, pressed in that window
};

class MainWindow : public Window {
public:
    // What the window routes to: built by the composition root on the window's handle,
    // after the window.
    struct Parts {
        SlotRing& ring;
        ClipReaderProcess& reader;
        SlotTiles& tiles;
        GridKeyboard& keyboard;
        ClipWatcher& watcher;
        PasteBack& paste;
        GlobalHotKey& hotkey;
        SettingsDialog& settings_dialog;
        AboutDialog& about_dialog;
        MonitorApi& monitors;  // where the window opens and stays in sight
    };

    // Builds the window hidden, with its chrome, laid out at the DPI of the monitor it is
    // on. `parts` are not used before Start.
    MainWindow(HWND application_window, const Parts& parts, DpiApi& dpi = SystemDpi());
    ~MainWindow() override;

    // Once the parts exist: the history is cleared, the viewer chain joined and the
    // hotkey registered; from then on the window routes messages to the parts.
    void Start();

    // The commands behind the toolbar's and the tray menu's handlers, run by the tray
    // icon, the hotkey and the start-up too.
    // Shows or hides the window; shown, it opens on the monitor where the user is.
    void ToggleShown(UserAt user_at = UserAt::kPointer);
    // Every slot emptied, every tile as at the start.
    void ClearAll();
    // The dialogs, modal; the grid lets the keyboard go first.
    void OpenSettings();
    void OpenAbout();
    // Closes the window: the teardown runs, then the program's loop ends.
    void Close();
    // The teardown: the viewer chain, the reader, the slots and the hotkey are given
    // back, each even when one before it failed. Once only; later calls do nothing.
    void FormClose() noexcept;
    // Handles a command of the toolbar or the tray menu.
    void OnCommand(UINT id);

    [[nodiscard]] HMENU tray_menu() const noexcept { return tray_menu_.get(); }
    [[nodiscard]] bool shown() const noexcept { return shown_; }
    [[nodiscard]] HWND tile_panel() const noexcept { return tile_panel_.hwnd(); }
    [[nodiscard]] LayoutScale scale() const noexcept { return scale_; }
    [[nodiscard]] HFONT font() const noexcept { return font_.get(); }
    // The DPI the window is laid out at.
    [[nodiscard]] int dpi() const noexcept { return dpi_; }
    // The window's outer size when laid out at `dpi` (it is, on a monitor of that DPI).
    [[nodiscard]] SIZE SizeAtDpi(int dpi) const;
    // Pointer reports of the tile panel around the tiles.
    void SetTilePointerSink(const PointerSink* sink) noexcept { tile_panel_.SetPointerSink(sink); }

    // The boxes the parts report through.
    static void ShowReadFailure();
    static void ShowLeftOnClipboard();
    static void ShowNoReader();

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void FormCreate();
    void LoadFonts();
    [[nodiscard]] RECT BandPlace(MainControl band) const;
    [[nodiscard]] SIZE OuterSizeAt(LayoutScale scale, int dpi) const;
    void DpiChanged();
    void BuildTitleStrip();
    void BuildToolBar();
    void BuildTrayMenu();
    void ImgTitleMouseDown();
    void KeepOpenDialogOnTop() noexcept;
    // The handlers of the toolbar's buttons, the tray menu's items and the close button.
    void ToolButton1Click() { ToggleShown(); }
    void ToolButton2Click() { ClearAll(); }
    void ToolButton9Click() { OpenSettings(); }
    void ToolButton5Click() { OpenAbout(); }
    LRESULT OnNotify(NMHDR* header);
    LRESULT RouteToParts(UINT msg, WPARAM wp, LPARAM lp);

    HWND application_;
    Parts parts_;
    DpiApi& dpi_api_;
    int dpi_;
    bool moving_ = false;  // the user drags the window (the system's move loop runs)
    UniqueHFont font_;
    UniqueHFont caption_font_;
    LayoutScale scale_;
    UniqueHBitmap title_bitmap_, title_icon_bitmap_, close_bitmap_, toolbar_bitmap_;
    UniqueHImageList toolbar_images_;
    UniqueHMenu tray_menu_;
    ScreenPlacement placement_;

    PictureBox title_strip_;
    PictureBox title_icon_;
    Label caption_;
    FlatButton close_button_;
    Panel toolbar_panel_;
    HWND toolbar_ = nullptr;
    Panel tile_panel_;

    bool started_ = false;  // the parts exist and get their messages
    bool shown_ = false;
    bool closed_ = false;
};

}  // namespace nimbara
