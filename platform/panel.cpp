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

RECT Panel::DrawBevel(HDC dc, RECT r, Bevel bevel) {
    if (bevel == Bevel::kNone) return r;
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF dark = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF top_left = bevel == Bevel::kRaised ? light : dark;
    const COLORREF bottom_right = bevel == Bevel::kRaised ? dark : light;
    auto line = [dc](int x, int y, int w, int h, COLORREF c) {
        const RECT edge{x, y, x + w, y + h};
        ::SetBkColor(dc, c);
        ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &edge, nullptr, 0, nullptr);
    };
    const int w = r.right - r.left, h = r.bottom - r.top;
    line(r.left, r.top, w, 1, top_left);
    line(r.left, r.top, 1, h, top_left);
    line(r.left, r.bottom - 1, w, 1, bottom_right);
    line(r.right - 1, r.top, 1, h, bottom_right);
    return RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
}

void Panel::Paint(HDC dc) {
    RECT r;
    ::GetClientRect(hwnd(), &r);
    UniqueHBrush face(::CreateSolidBrush(ColorFromCode(style_.color)));
    ::FillRect(dc, &r, face.get());
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
    switch (msg) {
        case WM_ERASEBKGND: {
            // Transparent controls on the panel (the flat toolbar) erase through it.
            RECT r;
            ::GetClientRect(hwnd(), &r);
            UniqueHBrush face(::CreateSolidBrush(ColorFromCode(style_.color)));
            ::FillRect(reinterpret_cast<HDC>(wp), &r, face.get());
            return 1;
        }
        case WM_PAINT: {
            PaintScope paint(hwnd());
            Paint(paint.dc());
            return 0;
        }
        case WM_MOUSEMOVE:
            if (sink_) {
                if (!tracking_) {
                    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd(), 0};
                    tracking_ = ::TrackMouseEvent(&tme) != FALSE;
                }
                if (sink_->moved) sink_->moved(hwnd());
            }
            return 0;
        case WM_COMMAND:
        case WM_NOTIFY:
            // Controls on a panel report to the window that owns the panel.
            return ::SendMessageW(::GetParent(hwnd()), msg, wp, lp);
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (sink_ && sink_->left) sink_->left(hwnd());
            return 0;
        default:
            return DefaultProc(msg, wp, lp);
    }
}

}  // namespace nimbara
