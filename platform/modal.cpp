#include "platform/modal.h"

#include <vector>

#include "platform/dpi.h"

namespace nimbara {

namespace {

struct DisableContext {
    HWND dialog;
    std::vector<HWND> disabled;
};

BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
    auto* context = reinterpret_cast<DisableContext*>(lp);
    if (hwnd != context->dialog && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd))
        context->disabled.push_back(hwnd);
    return TRUE;
}

}  // namespace

void RunModal(HWND dialog, const bool& done) {
    // Disable every other enabled, visible top-level window of this thread.
    DisableContext context{dialog, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectEnabled,
                        reinterpret_cast<LPARAM>(&context));
    std::vector<HWND>& disabled = context.disabled;
    for (HWND w : disabled) ::EnableWindow(w, FALSE);
    ::ShowWindow(dialog, SW_SHOWNORMAL);
    ::SetForegroundWindow(dialog);
    MSG msg;
    while (!done) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT ends the modal loop and must still end the program's loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (::IsDialogMessageW(dialog, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    for (HWND w : disabled) ::EnableWindow(w, TRUE);
    ::ShowWindow(dialog, SW_HIDE);
}

}  // namespace nimbara

namespace nimbara {

ModalDialog::~ModalDialog() { Destroy(); }

void ModalDialog::EnsureBuilt() {
    if (hwnd()) return;
    try {
        // Built once and kept, a dialog keeps the screen's DPI: on a monitor of another
        // scale the system stretches it to that scale.
        const ScreenDpiScope screen_dpi;
        Build();
    } catch (...) {
        Destroy();
        throw;
    }
    Loaded();
}

void ModalDialog::ShowModal() {
    if (open_) {
        ::SetForegroundWindow(hwnd());
        return;
    }
    EnsureBuilt();
    struct OpenScope {
        bool& open;
        explicit OpenScope(bool& o) : open(o) { open = true; }
        ~OpenScope() { open = false; }
    } scope(open_);
    done_ = false;
    placement_.PlaceForOpening(hwnd(), placement_.monitors().MonitorOfPointer());
    RunModal(hwnd(), done_);
}

void ModalDialog::Activated(WPARAM wp) noexcept {
    if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd(), focus)) focus_ = focus;
        return;
    }
    ::SetFocus(focus_ ? focus_ : FirstFocus());
}

LRESULT ModalDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED) ButtonClicked(LOWORD(wp));
            return 0;
        case WM_CLOSE:
            CloseBoxClicked();
            return 0;
        case WM_ACTIVATE:
            Activated(wp);
            return 0;
        default:
            return OtherMessage(msg, wp, lp);
    }
}

}  // namespace nimbara
