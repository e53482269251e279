#include "app/app_window.h"

namespace nimbara {

namespace {
constexpr wchar_t kClass[] = L"NimbaraApplication";
constexpr DWORD kStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
}  // namespace

void ApplicationWindow::Create() {
    RegisterClassOnce({.name = kClass});
    Window::Create({.class_name = kClass,
                    .text = L"Nimbara",
                    .style = kStyle,
                    .x = ::GetSystemMetrics(SM_CXSCREEN) / 2,
                    .y = ::GetSystemMetrics(SM_CYSCREEN) / 2});
}

LRESULT ApplicationWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            if (on_close) on_close();
            return 0;
        case WM_COMMAND:
            if (on_command && HIWORD(wp) == 0) on_command(LOWORD(wp));
            return 0;
        default:
            if (auto answer = AnswerSessionEnd(msg, wp)) return *answer;
            return DefaultProc(msg, wp, lp);
    }
}

std::optional<LRESULT> AnswerSessionEnd(UINT msg, WPARAM wp) {
    switch (msg) {
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wp) ::PostQuitMessage(0);
            return 0;
        default:
            return std::nullopt;
    }
}

}  // namespace nimbara
