// The application window: an invisible top-level window titled "Nimbara" that
// owns the main window and the dialogs. It is never shown, so that no shell
// gives the program a taskbar button.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "platform/window.h"

namespace nimbara {

class ApplicationWindow : public Window {
public:
    void Create();
    // A close of this window is a close of the main window; its menu commands
    // (the tray menu is tracked for it) go to the main window too.
    std::function<void()> on_close;
    std::function<void(UINT)> on_command;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// The end of the logon session, as both top-level windows answer it: agreed to, and the
// message loop ended when it comes, so that the main window's teardown runs. Nothing for
// any other message.
std::optional<LRESULT> AnswerSessionEnd(UINT msg, WPARAM wp);

}  // namespace nimbara
