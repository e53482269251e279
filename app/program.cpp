#include "app/program.h"

#include "platform/clipboard.h"
#include "platform/registry.h"
#include "platform/shell_notify.h"
#include "resources/resource_ids.h"

namespace nimbara {

Program::Program(HWND application_window, MonitorApi& monitors, DpiApi& dpi)
    : application_(application_window),
      dpi_(dpi),
      window_(application_window,
              {.ring = ring_,
               .reader = reader_,
               .tiles = tiles_,
               .keyboard = keyboard_,
               .watcher = watcher_,
               .paste = paste_,
               .hotkey = hotkey_,
               .settings_dialog = settings_dialog_,
               .about_dialog = about_dialog_,
               .monitors = monitors},
              dpi),
      snapshots_(SystemClipboard(), window_.hwnd(), nullptr),
      reader_(window_.hwnd()),
      tiles_(window_.tile_panel(), window_.scale(), window_.font(),
             [this](int slot) {
                 keyboard_.Handle(GridEvent::kPasted);
                 paste_.PasteSlot(slot);
             }),
      timers_(window_.hwnd()),
      watcher_(window_.hwnd(), snapshots_, ring_, tiles_, reader_, timers_),
      paste_(window_.hwnd(), snapshots_, ring_, tiles_, watcher_, timers_),
      keyboard_(window_.hwnd(), ring_, tiles_),
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
    // Enter pastes as a click does, then the grid goes, ready for the next hotkey.
    keyboard_.paste = [this](int slot) { paste_.PasteSlot(slot); };
    keyboard_.hide = [this] {
        if (window_.shown()) window_.ToggleShown();
    };
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
    ShowTrayIconAtItsDpi();
    tray_icon_.SetToolTip("");
    tray_icon_.on_click = [this](TrayIcon&) {
        paste_.ShowingFromOutside();
        window_.ToggleShown();
    };
    // The application window gets the menu's commands and passes them to the main window.
    tray_icon_.SetPopupMenu({.menu = window_.tray_menu(), .command_window = application_});
    tray_icon_.on_dpi_changed = [this](TrayIcon&) { ShowTrayIconAtItsDpi(); };
}

// The program's icon at the small-icon size of the DPI the notification area is shown
// at, so that the shell does not stretch it.
void Program::ShowTrayIconAtItsDpi() {
    const int size = dpi_.SmallIconSize(dpi_.WindowDpi(tray_icon_.window()));
    const UniqueHIcon icon(static_cast<HICON>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIMBARA), IMAGE_ICON, size, size, 0)));
    tray_icon_.SetIcon(icon.get());
}

}  // namespace nimbara
