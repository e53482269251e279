// Fonts and the scaling of designed layouts (the rules: platform/layout_rules.h).
// Windows are designed at 96 dots per inch with "宋体" at a text height of 12 pixels;
// where the font's real text height differs (another DPI, or another face standing in
// for 宋体), positions, sizes and fonts are scaled by the ratio of the two heights.
#pragma once

#include <windows.h>

#include "platform/handles.h"
#include "platform/layout_rules.h"
#include "platform/window.h"

namespace nimbara {

// "宋体" at the designed 9 points (12 pixels at 96 dpi), at the system's DPI.
UniqueHFont CreateSongTiFont(bool bold = false, BYTE charset = DEFAULT_CHARSET);
// The same at `dpi`, the DPI of the window it is for.
UniqueHFont CreateSongTiFontForDpi(int dpi, bool bold = false, BYTE charset = DEFAULT_CHARSET);

// The DPI the system lays out its screen at (LOGPIXELSY), the one every window of a
// program that is not aware of each monitor's own DPI has.
[[nodiscard]] int ScreenDpi();

// The text height of `font` (tmHeight) on the screen.
int MeasureTextHeight(HFONT font);

// The scale of a window laid out in `font`.
[[nodiscard]] inline LayoutScale ScaleFor(HFONT font) {
    return ScaleForTextHeight(MeasureTextHeight(font));
}

// A place in designed pixels: left, top, width, height.
struct DesignedRect {
    int x = 0, y = 0, width = 0, height = 0;
    [[nodiscard]] constexpr int right() const noexcept { return x + width; }
    [[nodiscard]] constexpr int bottom() const noexcept { return y + height; }
};

// One row of a window's layout table: a control and its designed place in its
// parent's client area. The product builds its controls from the table, and the
// tests check the table's invariants.
struct LayoutRow {
    UINT id;
    DesignedRect place;
};

// Each edge scaled on its own, so that neighbours stay neighbours after the rounding.
[[nodiscard]] inline RECT Scaled(LayoutScale scale, DesignedRect r) noexcept {
    return RECT{scale(r.x), scale(r.y), scale(r.right()), scale(r.bottom())};
}

// A top-level window as designed: its place on the screen and the size of its client
// area, both in designed pixels.
struct DesignedWindow {
    const wchar_t* class_name = nullptr;
    const wchar_t* caption = L"";
    DWORD style = 0;
    DWORD ex_style = 0;
    POINT place{};
    SIZE client{};
    HICON icon = nullptr;  // of the class; nullptr: none
};

}  // namespace nimbara
