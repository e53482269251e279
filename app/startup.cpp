#include "app/startup.h"

#include <commctrl.h>

#include <string>

#include "app/app_window.h"
#include "app/error_text.h"
#include "app/main_window.h"
#include "app/program.h"
#include "platform/error.h"
#include "platform/handles.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace nimbara {

namespace {

constexpr wchar_t kInstanceMutex[] = L"Nimba$";

// The application's general error report: the error's text, with a full stop
// where it has none, in a modal box over every window of the program.
void ShowErrorReport(const std::wstring& message) {
    const std::wstring text = ToWide(ErrorReportText(ToU16(message)));
    static_cast<void>(
        MessageBoxAsideOnce(text, L"Nimbara", MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_TOPMOST));
}

// True for the first instance of this logon session. The mutex's name has no
// namespace prefix, so it is local to the session; its handle stays open for the
// life of the process and the system frees it at the end.
bool ClaimSingleInstance() {
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, kInstanceMutex);
    if (!mutex) return false;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return false;
    }
    return true;
}

// Runs one step of the start-up. What it throws goes to the error report, and the
// program then ends: false.
template <typename Step>
[[nodiscard]] bool Started(Step&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}

int RunMessageLoop() {
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

}  // namespace

int RunNimbara(HINSTANCE) {
    INITCOMMONCONTROLSEX icc{sizeof(icc),
                             ICC_BAR_CLASSES | ICC_HOTKEY_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (!ClaimSingleInstance()) return 0;
    SetErrorReporter(&ShowErrorReport);

    ApplicationWindow application;
    if (!Started([&application] { application.Create(); })) return 0;
    static_cast<void>(Started([&application] {
        Program program(application.hwnd());
        MainWindow& main = program.main_window();
        application.on_close = [&main] { main.Close(); };
        application.on_command = [&main](UINT id) { main.OnCommand(id); };
        struct Unhook {
            ApplicationWindow& application;
            ~Unhook() {
                application.on_close = nullptr;
                application.on_command = nullptr;
            }
        } unhook{application};
        RunMessageLoop();
    }));
    return 0;
}

}  // namespace nimbara
