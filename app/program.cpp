#include "app/program.h"

#include "platform/clipboard.h"
#include "platform/registry.h"
#include "platform/shell_notify.h"
#include "resources/resource_ids.h"

namespace nimbara {

Program::Program(HWND application_window)
    : application_(application_window),
      window_(application_window, {.ring = ring_,
                                   .reader = reader_,
                                   .tiles = tiles_,
                                   .watcher = watcher_,
                                   .paste = paste_,
                                   .hotkey = hotkey_,
                                   .settings_dialog = settings_dialog_,
                                   .about_dialog = about_dialog_}),
      store_(SystemClipboard(), window_.hwnd(), nullptr),
      reader_(window_.hwnd()),
      tiles_(window_.tile_panel(), window_.scale(), window_.font(),
             [this](int slot) { paste_.PasteSlot(slot); }),
      timers_(window_.hwnd()),
      watcher_(window_.hwnd(), store_, ring_, tiles_, reader_, timers_),
      paste_(window_.hwnd(), store_, ring_, tiles_, watcher_, timers_),
      foreground_watch_([this](HWND window, DWORD at) { paste_.ForegroundChanged(window, at); }),
      hotkey_(window_.hwnd(), SystemRegistry()),
      settings_dialog_(application_window, hotkey_, SystemRegistry()),
      about_dialog_(application_window),
      tray_icon_(SystemShellNotify()) {
    window_.SetTilePointerSink(&tiles_.pointer_sink());
    watcher_.report_read_failure = &MainWindow::ShowReadFailure;
    watcher_.report_no_reader = &MainWindow::ShowNoReader;
    watcher_.on_capture_over = [this] { paste_.CaptureOver(); };
    paste_.on_left_on_clipboard = &MainWindow::ShowLeftOnClipboard;
    BuildTrayIcon();
    try {
        window_.Start();
    } catch (...) {
        window_.FormClose();
        window_.Destroy();
        throw;
    }
}

Program::~Program() {
    window_.FormClose();
    // The grid's controls go with the window; the tiles' objects after it.
    window_.Destroy();
}

// The properties in the order a stored form gives them: Active first, so the icon
// is added still without its image, and the Icon assignment then shows it.
void Program::BuildTrayIcon() {
    tray_icon_.SetActive(true);
    // The program's icon in its 32-pixel image.
    constexpr int kIconSize = 32;
    const UniqueHIcon icon(
        static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIMBARA),
                                        IMAGE_ICON, kIconSize, kIconSize, 0)));
    tray_icon_.SetIcon(icon.get());
    tray_icon_.SetToolTip("");
    tray_icon_.on_click = [this](TrayIcon&) {
        paste_.ShowingFromOutside();
        window_.ToolButton1Click();
    };
    // The application window gets the menu's commands and passes them to the main window.
    tray_icon_.SetPopupMenu({.menu = window_.tray_menu(), .command_window = application_});
}

}  // namespace nimbara
