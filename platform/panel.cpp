#include "platform/panel.h"

#include <string>

#include "platform/color_rules.h"
#include "platform/handles.h"

namespace nimbara {

COLORREF ColorFromCode(std::uint32_t code) noexcept {
    const ColorCode color = DecodeColorCode(code);
    return color.system ? ::GetSysColor(static_cast<int>(color.value)) : COLORREF(color.value);
}

void Panel::Create(HWND parent, UINT id, RECT place, const wchar_t* caption, PanelStyle style,
                   HFONT font) {
    static constexpr wchar_t kClass[] = L"NimbaraPanel";
    RegisterClassOnce({.name = kClass});
    style_ = style;
    font_ = font;
    Window::Create(
        ChildSpec(kClass, parent, id, place, caption, WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
}

void Panel::SetColor(std::uint32_t code) {
    if (style_.color == code) return;
    style_.color = code;
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void Panel::SetCaption(const wchar_t* caption) {
    ::SetWindowTextW(hwnd(), caption);
    if (style_.show_caption) ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void Panel::SetFont(HFONT font) {
    font_ = font;
    if (style_.show_caption) ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void Panel::FillFace(HDC dc, const RECT& r) const {
    UniqueHBrush face(::CreateSolidBrush(ColorFromCode(style_.color)));
    ::FillRect(dc, &r, face.get());
}

void Panel::Paint(HDC dc, const RECT& r) {
    FillFace(dc, r);
    RECT inside = DrawBevel(dc, r, style_.outer);
    inside = DrawBevel(dc, inside, style_.inner);
    if (!style_.show_caption) return;
    wchar_t text[256];
    const int n = ::GetWindowTextW(hwnd(), text, 256);
    if (n <= 0) return;
    SelectedObject font(dc, font_ ? font_ : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::DrawTextW(dc, text, n, &inside, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT Panel::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        // Transparent controls on the panel (the flat toolbar) erase through it.
        RECT r;
        ::GetClientRect(hwnd(), &r);
        FillFace(reinterpret_cast<HDC>(wp), r);
        return 1;
    }
    auto paint = [this](HDC dc, const RECT& client) { Paint(dc, client); };
    if (auto answer = AnswerPaint(hwnd(), msg, paint)) return *answer;
    if (auto answer = ReportPointer(hwnd(), msg, hover_, sink_)) return *answer;
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
            // Controls on a panel report to the window that owns the panel.
            return ::SendMessageW(::GetParent(hwnd()), msg, wp, lp);
        default:
            return DefaultProc(msg, wp, lp);
    }
}

}  // namespace nimbara
