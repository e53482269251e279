#include "platform/window.h"

#include "platform/error.h"

namespace nimbara {

Window::~Window() { Destroy(); }

void Window::Destroy() noexcept {
    if (!hwnd_) return;
    HWND hwnd = hwnd_;
    // Detach first: the messages of the destruction must not reach a half-destroyed object.
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    ::DestroyWindow(hwnd);
}

void Window::RegisterClassOnce(const WindowClassSpec& spec) {
    WNDCLASSEXW existing{sizeof(existing)};
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoExW(instance, spec.name, &existing)) return;
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = spec.style;
    wc.lpfnWndProc = &Window::Proc;
    wc.hInstance = instance;
    wc.hCursor = spec.cursor ? spec.cursor : ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = spec.background;
    wc.hIcon = spec.icon;
    wc.lpszClassName = spec.name;
    ::RegisterClassExW(&wc);
}

bool Window::Create(const WindowSpec& s) {
    HWND hwnd = ::CreateWindowExW(s.ex_style, s.class_name, s.text, s.style, s.x, s.y, s.width,
                                  s.height, s.parent,
                                  (s.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(s.id))
                                                       : nullptr,
                                  ::GetModuleHandleW(nullptr), this);
    return hwnd != nullptr;
}

LRESULT Window::OnFailedMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
    return DefaultProc(msg, wp, lp);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        self = static_cast<Window*>(cs->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    try {
        return self->OnMessage(msg, wp, lp);
    } catch (...) {
        ReportCurrentException();
        return self->OnFailedMessage(msg, wp, lp);
    }
}

HWND CreateControl(const WindowSpec& s) noexcept {
    return ::CreateWindowExW(s.ex_style, s.class_name, s.text, s.style | WS_CHILD, s.x, s.y,
                             s.width, s.height, s.parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(s.id)),
                             ::GetModuleHandleW(nullptr), nullptr);
}

bool AllowMessageFromLowerIntegrity(HWND window, UINT message) noexcept {
    return ::ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr) != FALSE;
}

}  // namespace nimbara
