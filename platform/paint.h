// The painting every control of the program's own shares: the answer to the two paint
// messages, the picture stretched over a place and the 1-pixel bevels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace nimbara {

// Draws the whole client area (`client`) of a window at WM_PAINT.
using PaintFn = std::function<void(HDC dc, const RECT& client)>;

// Answers WM_ERASEBKGND and WM_PAINT of a window that paints its whole client area
// itself: the erase is left to the paint, so that nothing flickers between the two.
// Nothing for any other message.
[[nodiscard]] std::optional<LRESULT> AnswerPaint(HWND hwnd, UINT msg, const PaintFn& paint);

// Draws `bitmap` stretched over `place`; nothing without a bitmap.
void DrawStretched(HDC dc, HBITMAP bitmap, const RECT& place);

enum class Bevel : std::uint8_t { kNone, kRaised, kLowered };

// Draws a 1-pixel bevel on the rectangle and returns the rectangle inside it.
RECT DrawBevel(HDC dc, RECT r, Bevel bevel);

}  // namespace nimbara
