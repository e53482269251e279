#include "platform/paint.h"

#include "platform/handles.h"

namespace nimbara {

std::optional<LRESULT> AnswerPaint(HWND hwnd, UINT msg, const PaintFn& paint) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintScope scope(hwnd);
            RECT client;
            ::GetClientRect(hwnd, &client);
            paint(scope.dc(), client);
            return 0;
        }
        default:
            return std::nullopt;
    }
}

void DrawStretched(HDC dc, HBITMAP bitmap, const RECT& place) {
    if (!bitmap) return;
    BITMAP bm{};
    ::GetObjectW(bitmap, sizeof(bm), &bm);
    UniqueHdc mem(::CreateCompatibleDC(dc));
    SelectedObject sel(mem.get(), bitmap);
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 mem.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
}

RECT DrawBevel(HDC dc, RECT r, Bevel bevel) {
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

}  // namespace nimbara
