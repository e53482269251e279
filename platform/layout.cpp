#include "platform/layout.h"

namespace nimbara {

UniqueHFont CreateSongTiFont(bool bold, BYTE charset) {
    WindowDc screen(nullptr);
    const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    LOGFONTW lf{};
    lf.lfHeight = -::MulDiv(9, dpi, 72);
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

SIZE WindowSizeForClient(int client_width, int client_height, DWORD style, DWORD ex_style) {
    RECT r{0, 0, client_width, client_height};
    ::AdjustWindowRectEx(&r, style, FALSE, ex_style);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace nimbara
