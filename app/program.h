// The program's composition root: every part is built here, in one step, in the
// order they depend on each other, and each is handed to the others by reference.
// The main window comes first because the parts are bound to its handle; it routes
// to them once they all exist.
#pragma once

#include <windows.h>

#include "about/about_dialog.h"
#include "app/main_window.h"
#include "history/clip_reader.h"
#include "history/clip_watcher.h"
#include "history/grid_keyboard.h"
#include "history/paste_back.h"
#include "history/slot_ring.h"
#include "history/clip_snapshots.h"
#include "history/slot_tiles.h"
#include "platform/dpi.h"
#include "platform/input.h"
#include "platform/timer.h"
#include "settings/hotkey.h"
#include "settings/settings_dialog.h"
#include "tray/tray_icon.h"

namespace nimbara {

class Program {
public:
    // Builds every part and starts the main window, hidden; the program then runs
    // until the main window closes. `dpi` tells each window the DPI of its monitor.
    explicit Program(HWND application_window, MonitorApi& monitors = SystemMonitors(),
                     DpiApi& dpi = SystemDpi());
    // However the program ends (a WM_QUIT from outside, the end of the session), the
    // viewer chain and the hotkey are given back; after a close this does nothing.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    [[nodiscard]] MainWindow& main_window() noexcept { return window_; }
    [[nodiscard]] TrayIcon& tray_icon() noexcept { return tray_icon_; }

private:
    void BuildTrayIcon();
    void ShowTrayIconAtItsDpi();

    HWND application_;
    DpiApi& dpi_;
    MainWindow window_;
    SlotRing ring_;
    // The window writes slots back itself; the reader process takes the snapshots.
    ClipSnapshots snapshots_;
    ClipReaderProcess reader_;
    SlotTiles tiles_;
    WindowTimers timers_;  // the main window's, for the capture and the paste-back
    ClipWatcher watcher_;
    PasteBack paste_;
    GridKeyboard keyboard_;  // the grid by keyboard, while the hotkey has shown it
    // Keeps the paste target current between the moments the program looks for
    // itself: on Windows a click on the tray icon makes the taskbar the foreground
    // window, and the window the user was in is known only from before that.
    ForegroundWatch foreground_watch_;
    GlobalHotKey hotkey_;
    // Built at their first opening, kept to the end.
    SettingsDialog settings_dialog_;
    AboutDialog about_dialog_;
    // Last, so that it goes first at the end and removes its icon while its menu exists.
    TrayIcon tray_icon_;
};

}  // namespace nimbara
