// The main window, MainForm: a small stay-on-top window without a system title
// bar, with a title strip of its own, a toolbar of commands and the grid of the
// twelve slot tiles. Its handle is the one the program uses for the clipboard
// viewer chain, the clipboard, the hotkey and the paste-back.
#pragma once

#include <windows.h>

#include <memory>

#include "history/clip_reader.h"
#include "history/clip_watcher.h"
#include "history/paste_back.h"
#include "history/slot_store.h"
#include "history/slot_tiles.h"
#include "platform/controls.h"
#include "platform/handles.h"
#include "platform/input.h"
#include "platform/layout.h"
#include "platform/panel.h"
#include "platform/timer.h"
#include "platform/window.h"
#include "settings/hotkey.h"
#include "settings/settings_dialog.h"
#include "tray/tray_icon.h"

namespace nimbara {

class AboutDialog;

// Command identifiers of the toolbar buttons and the tray menu items.
enum Command : UINT {
    kToolButton1 = 1001,  // "隐藏": show/hide toggle
    kToolButton2 = 1002,  // "全部清空": clear all
    kToolButton4 = 1004,  // "帮助": nothing
    kToolButton5 = 1005,  // "关于": About dialog
    kToolButton8 = 1008,  // "退出程序": exit
    kToolButton9 = 1009,  // "设置": settings dialog
    kN1 = 2001,           // "打开/隐藏(&O)"
    kN2 = 2002,           // "退出系统(&X)"
    kN4 = 2004,           // "全部清空(&C)"
    kN5 = 2005,           // "系统设置(&S)"
    kN7 = 2007,           // "帮助(&H)"
    kN8 = 2008,           // "关于(&A)"
};

// Control identifiers of the window's own parts, for readers from outside.
enum ControlId : UINT {
    kImgTitleId = 10,
    kImage14Id = 11,
    kLMainCaptionId = 12,
    kSBCloseId = 13,
    kPanelTopId = 20,
    kToolBar1Id = 21,
    kPanelFormId = 30,
};

class MainWindow : public Window {
public:
    explicit MainWindow(HWND application_window);
    ~MainWindow() override;

    // Builds the window hidden and runs its creation steps.
    void Create();

    // The show/hide toggle that the hotkey, the tray icon, the tray menu's first
    // item, the toolbar's hide button and the title strip's close button all run.
    void ToolButton1Click();
    // Closes the window: the teardown runs, then the program's loop ends.
    void Close();
    // Handles a command of the toolbar or the tray menu.
    void OnCommand(UINT id);

    [[nodiscard]] bool shown() const noexcept;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void BuildControls();
    void BuildTitleStrip();
    void BuildToolBar();
    void BuildPopupMenu();
    void BuildTrayIcon();
    void FormCreate();
    void FormClose() noexcept;
    void ImgTitleMouseDown();
    void KeepOpenDialogOnTop() noexcept;
    void ToolButton2Click();
    void ToolButton9Click();
    void ToolButton5Click();
    void ShowReadFailure();
    void ShowLeftOnClipboard();
    LRESULT OnNotify(NMHDR* header);

    HWND application_;
    UniqueHFont font_;
    UniqueHFont caption_font_;
    LayoutScale scale_;
    UniqueHBitmap title_bitmap_, title_icon_bitmap_, close_bitmap_, toolbar_bitmap_;
    UniqueHImageList image_list1_;
    UniqueHMenu popup_menu1_;
    // After the menu it shows, so that it goes first and removes its icon.
    std::unique_ptr<TrayIcon> tray_icon1_;

    PictureBox img_title_;
    PictureBox image14_;
    Label main_caption_;
    FlatButton sb_close_;
    Panel panel_top_;
    HWND toolbar1_ = nullptr;
    Panel panel_form_;

    SlotRing ring_;
    std::unique_ptr<ClipStore> store_;
    std::unique_ptr<ClipReaderProcess> reader_;
    std::unique_ptr<SlotTiles> tiles_;
    std::unique_ptr<WindowTimers> timers_;
    std::unique_ptr<ClipWatcher> watcher_;
    std::unique_ptr<PasteBack> paste_;
    // Keeps the paste target current between the moments the program looks for
    // itself: on Windows a click on the tray icon makes the taskbar the foreground
    // window, and the window the user was in is known only from before that.
    std::unique_ptr<ForegroundWatch> foreground_watch_;
    std::unique_ptr<GlobalHotKey> hotkey_;
    std::unique_ptr<SettingsDialog> setup_form_;
    std::unique_ptr<AboutDialog> about_form_;  // built at the first opening, kept to the end
    bool closed_ = false;
};

}  // namespace nimbara
