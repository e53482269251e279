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

}  // namespace

bool TrackPointerLeave(HWND window) {
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, window, 0};
    return ::TrackMouseEvent(&tme) != FALSE;
}

HoverStep Hover::OnMessage(HWND control, UINT msg) {
    switch (msg) {
        case WM_MOUSEMOVE:
            if (over_) return HoverStep::kMoved;
            over_ = TrackPointerLeave(control);
            return over_ ? HoverStep::kEntered : HoverStep::kMoved;
        case WM_MOUSELEAVE:
            over_ = false;
            return HoverStep::kLeft;
        default:
            return HoverStep::kNone;
    }
}

std::optional<LRESULT> ReportPointer(HWND control, UINT msg, Hover& hover,
                                     const PointerSink* sink) {
    if (msg != WM_MOUSEMOVE && msg != WM_MOUSELEAVE) return std::nullopt;
    if (!sink) return 0;
    switch (hover.OnMessage(control, msg)) {
        case HoverStep::kEntered:
        case HoverStep::kMoved:
            if (sink->moved) sink->moved(control);
            break;
        case HoverStep::kLeft:
            if (sink->left) sink->left(control);
            break;
        case HoverStep::kNone:
            break;
    }
    return 0;
}

PressStep Press::OnMessage(HWND control, UINT msg, LPARAM lp) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            Begin(control);
            return PressStep::kBegan;
        case WM_LBUTTONUP: {
            const bool was = std::exchange(down_, false);
            if (::GetCapture() == control) ::ReleaseCapture();
            return was && InsideClient(control, lp) ? PressStep::kClicked : PressStep::kEnded;
        }
        case WM_CAPTURECHANGED:
            down_ = false;
            return PressStep::kLost;
        default:
            return PressStep::kNone;
    }
}

void Press::Begin(HWND control) {
    down_ = true;
    ::SetCapture(control);
}

std::optional<LRESULT> ClickableControl::OnPressMessage(UINT msg, LPARAM lp, HCURSOR cursor) {
    switch (press_.OnMessage(hwnd(), msg, lp)) {
        case PressStep::kBegan:
            if (on_left_down) on_left_down();
            return 0;
        case PressStep::kClicked:
            if (on_click) on_click();
            return 0;
        case PressStep::kEnded:
        case PressStep::kLost:
            return 0;
        case PressStep::kNone:
            break;
    }
    if (msg == WM_SETCURSOR && SetClientCursor(cursor, lp)) return TRUE;
    return std::nullopt;
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
    if (auto answer = OnPressMessage(msg, lp, cursor_)) return *answer;
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
    // Its text is shown as it is: an & is no mnemonic prefix.
    ::DrawTextW(dc, text, n, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT Label::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    auto paint = [this](HDC dc, const RECT& client) { Paint(dc, client); };
    if (auto answer = AnswerPaint(hwnd(), msg, paint)) return *answer;
    if (auto answer = OnPressMessage(msg, lp, style_.cursor)) return *answer;
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
    if (hover_.over()) DrawBevel(dc, r, press_.down() ? Bevel::kLowered : Bevel::kRaised);
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
    const PressStep step = press_.OnMessage(hwnd(), msg, lp);
    if (step != PressStep::kNone) {
        // The glyph sinks while the press lasts.
        if (step != PressStep::kLost) ::InvalidateRect(hwnd(), nullptr, FALSE);
        if (step == PressStep::kClicked && on_click) on_click();
        return 0;
    }
    switch (hover_.OnMessage(hwnd(), msg)) {
        case HoverStep::kEntered:
        case HoverStep::kLeft:
            // Raised while the pointer is over it.
            ::InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case HoverStep::kMoved:
            return 0;
        case HoverStep::kNone:
            return DefaultProc(msg, wp, lp);
    }
    return DefaultProc(msg, wp, lp);
}

}  // namespace nimbara
