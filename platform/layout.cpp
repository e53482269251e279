#include "platform/layout.h"

namespace nimbara {

int ScreenDpi() {
    WindowDc screen(nullptr);
    return SaneDpi(::GetDeviceCaps(screen.get(), LOGPIXELSY), kDesignedDpi);
}

UniqueHFont CreateSongTiFont(bool bold, BYTE charset) {
    return CreateSongTiFontForDpi(ScreenDpi(), bold, charset);
}

UniqueHFont CreateSongTiFontForDpi(int dpi, bool bold, BYTE charset) {
    LOGFONTW lf{};
    lf.lfHeight = -DesignedCharHeight(dpi);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = charset;
    lf.lfQuality = DEFAULT_QUALITY;
    wcscpy_s(lf.lfFaceName, L"宋体");
    return UniqueHFont(::CreateFontIndirectW(&lf));
}

int MeasureTextHeight(HFONT font) {
    WindowDc screen(nullptr);
    SelectedObject sel(screen.get(), font);
    TEXTMETRICW tm{};
    if (!::GetTextMetricsW(screen.get(), &tm) || tm.tmHeight <= 0) return kDesignedTextHeight;
    return tm.tmHeight;
}

namespace {

// The window at its designed place, sized so that its client area is the designed one
// scaled; the place itself is not scaled.
WindowSpec TopLevelSpec(const DesignedWindow& design, LayoutScale scale, HWND owner) {
    RECT r{0, 0, scale(design.client.cx), scale(design.client.cy)};
    ::AdjustWindowRectEx(&r, design.style, FALSE, design.ex_style);
    return {.class_name = design.class_name,
            .text = design.caption,
            .style = design.style,
            .ex_style = design.ex_style,
            .x = design.place.x,
            .y = design.place.y,
            .width = r.right - r.left,
            .height = r.bottom - r.top,
            .parent = owner};
}

}  // namespace

void Window::CreateDesigned(const DesignedWindow& design, LayoutScale scale, HWND owner) {
    RegisterClassOnce({.name = design.class_name,
                       .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                       .icon = design.icon});
    Create(TopLevelSpec(design, scale, owner));
}

}  // namespace nimbara
