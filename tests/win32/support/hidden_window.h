// Hidden top-level windows standing in for the program's windows or another program's: they
// can own the clipboard, a hotkey, a timer or a dialog, and are never shown.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace nimbara::testing {

[[nodiscard]] inline UniqueHwnd HiddenWindow(HWND owner = nullptr) {
    return UniqueHwnd(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, owner, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr));
}

// The application window as the program has it: titled with the program's name, no taskbar
// button of its own; the dialogs and the main window are owned by it.
[[nodiscard]] inline UniqueHwnd ApplicationWindow() {
    return UniqueHwnd(::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"Nimbara", WS_POPUP, 0, 0, 0,
                                        0, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

}  // namespace nimbara::testing
