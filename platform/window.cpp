#include "platform/window.h"

#include "platform/error.h"

namespace nimbara {

namespace {

HMENU ChildId(const WindowSpec& s) { return reinterpret_cast<HMENU>(static_cast<UINT_PTR>(s.id)); }

HWND CreateOrThrow(const WindowSpec& s, DWORD style, HMENU menu, void* param) {
    HWND hwnd = ::CreateWindowExW(s.ex_style, s.class_name, s.text, style, s.x, s.y, s.width,
                                  s.height, s.parent, menu, ::GetModuleHandleW(nullptr), param);
    if (!hwnd) {
        throw AppError(std::wstring(L"Cannot create a window of class ") + s.class_name + L" (" +
                       SystemErrorText(::GetLastError()) + L")");
    }
    return hwnd;
}

}  // namespace

WindowSpec ChildSpec(const wchar_t* class_name, HWND parent, UINT id, RECT place,
                     const wchar_t* text, DWORD extra_style) noexcept {
    return {.class_name = class_name,
            .text = text,
            .style = WS_CHILD | WS_VISIBLE | extra_style,
            .x = place.left,
            .y = place.top,
            .width = place.right - place.left,
            .height = place.bottom - place.top,
            .parent = parent,
            .id = id};
}

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

void Window::Create(const WindowSpec& s) {
    CreateOrThrow(s, s.style, (s.style & WS_CHILD) ? ChildId(s) : nullptr, this);
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
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

HWND CreateControl(const WindowSpec& s) {
    return CreateOrThrow(s, s.style | WS_CHILD, ChildId(s), nullptr);
}

bool BelongsToAnotherProcess(HWND window) noexcept {
    DWORD process = 0;
    return window && ::GetWindowThreadProcessId(window, &process) &&
           process != ::GetCurrentProcessId();
}

bool AllowMessageFromLowerIntegrity(HWND window, UINT message) noexcept {
    return ::ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr) != FALSE;
}

}  // namespace nimbara
