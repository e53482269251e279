#include "platform/controls.h"

#include <windowsx.h>

#include <optional>

#include "platform/handles.h"
#include "platform/paint.h"

namespace nimbara {

namespace {

bool InsideClient(HWND hwnd, LPARAM lp) {
    RECT r;
    ::GetClientRect(hwnd, &r);
    const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    return ::PtInRect(&r, p) != FALSE;
}

bool SetClientCursor(HCURSOR cursor, LPARAM lp) {
    if (!cursor || LOWORD(lp) != HTCLIENT) return false;
    ::SetCursor(cursor);
    return true;
}

// The messages of a control clicked as a static control is: its cursor, a press that
// holds the mouse, and a click at a release inside it. Nothing for any other message.
std::optional<LRESULT> OnPressMessage(HWND hwnd, UINT msg, LPARAM lp, HCURSOR cursor, Press& press,
                                      const std::function<void()>& on_left_down,
                                      const std::function<void()>& on_click) {
    switch (msg) {
        case WM_SETCURSOR:
            if (SetClientCursor(cursor, lp)) return TRUE;
            return std::nullopt;
        case WM_LBUTTONDOWN:
            press.Begin(hwnd);
            if (on_left_down) on_left_down();
            return 0;
        case WM_LBUTTONUP:
            if (press.EndsInClick(hwnd, lp) && on_click) on_click();
            return 0;
        case WM_CAPTURECHANGED:
            press.Lost();
            return 0;
        default:
            return std::nullopt;
    }
}

}  // namespace

void Press::Begin(HWND control) {
    down_ = true;
    ::SetCapture(control);
}

bool Press::EndsInClick(HWND control, LPARAM lp) {
    const bool was = std::exchange(down_, false);
    if (::GetCapture() == control) ::ReleaseCapture();
    return was && InsideClient(control, lp);
}

void PictureBox::Create(HWND parent, UINT id, RECT place, HBITMAP bitmap, HCURSOR cursor) {
    static constexpr wchar_t kClass[] = L"NimbaraPicture";
    RegisterClassOnce({.name = kClass});
    bitmap_ = bitmap;
    cursor_ = cursor;
    Window::Create(ChildSpec(kClass, parent, id, place));
}

LRESULT PictureBox::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    auto paint = [this](HDC dc, const RECT& client) { DrawStretched(dc, bitmap_, client); };
    if (auto answer = AnswerPaint(hwnd(), msg, paint)) return *answer;
    if (auto answer = OnPressMessage(hwnd(), msg, lp, cursor_, press_, on_left_down, on_click))
        return *answer;
    return DefaultProc(msg, wp, lp);
}

void Label::Create(HWND parent, UINT id, RECT place, const wchar_t* text, LabelStyle style) {
    static constexpr wchar_t kClass[] = L"NimbaraLabel";
    RegisterClassOnce({.name = kClass});
    style_ = style;
    Window::Create(ChildSpec(kClass, parent, id, place, text));
}

void Label::Paint(HDC dc, RECT r) {
    if (!style_.transparent) ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    wchar_t text[512];
    const int n = ::GetWindowTextW(hwnd(), text, 512);
    SelectedObject font(dc, style_.font ? style_.font : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc,
                   style_.color == CLR_INVALID ? ::GetSysColor(COLOR_WINDOWTEXT) : style_.color);
    ::DrawTextW(dc, text, n, &r, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

LRESULT Label::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    auto paint = [this](HDC dc, const RECT& client) { Paint(dc, client); };
    if (auto answer = AnswerPaint(hwnd(), msg, paint)) return *answer;
    if (auto answer =
            OnPressMessage(hwnd(), msg, lp, style_.cursor, press_, on_left_down, on_click))
        return *answer;
    return DefaultProc(msg, wp, lp);
}

void FlatButton::Create(HWND parent, UINT id, RECT place, HBITMAP glyph) {
    static constexpr wchar_t kClass[] = L"NimbaraFlatButton";
    RegisterClassOnce({.name = kClass});
    glyph_ = glyph;
    Window::Create(ChildSpec(kClass, parent, id, place));
}

void FlatButton::Paint(HDC dc, const RECT& r) {
    ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    if (hot_) DrawBevel(dc, r, press_.down() ? Bevel::kLowered : Bevel::kRaised);
    if (!glyph_) return;
    BITMAP bm{};
    ::GetObjectW(glyph_, sizeof(bm), &bm);
    UniqueHdc mem(::CreateCompatibleDC(dc));
    SelectedObject sel(mem.get(), glyph_);
    const int shift = press_.down() ? 1 : 0;
    ::BitBlt(dc, (r.right - bm.bmWidth) / 2 + shift, (r.bottom - bm.bmHeight) / 2 + shift,
             bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, SRCCOPY);
}

LRESULT FlatButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    auto paint = [this](HDC dc, const RECT& client) { Paint(dc, client); };
    if (auto answer = AnswerPaint(hwnd(), msg, paint)) return *answer;
    switch (msg) {
        case WM_MOUSEMOVE:
            if (!hot_) {
                hot_ = true;
                TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd(), 0};
                ::TrackMouseEvent(&tme);
                ::InvalidateRect(hwnd(), nullptr, FALSE);
            }
            return 0;
        case WM_MOUSELEAVE:
            hot_ = false;
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            press_.Begin(hwnd());
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            const bool click = press_.EndsInClick(hwnd(), lp);
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            if (click && on_click) on_click();
            return 0;
        }
        case WM_CAPTURECHANGED:
            press_.Lost();
            return 0;
        default:
            return DefaultProc(msg, wp, lp);
    }
}

}  // namespace nimbara
