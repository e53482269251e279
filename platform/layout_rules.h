// The scaling rules of the designed layouts, plain values only. Windows are designed at
// 96 dots per inch with "宋体" at a text height of 12 pixels. A window is laid out by the
// text height of that font at the window's own DPI (its monitor's, where each monitor
// has its own): positions and sizes are scaled by the ratio of the two heights, each
// edge on its own. The artwork goes by the DPI itself, so that a bitmap keeps its
// designed pixels at 96 dpi whatever face stands in for 宋体.
#pragma once

namespace nimbara {

constexpr int kDesignedTextHeight = 12;
constexpr int kDesignedDpi = 96;

// `value` × `num` / `den`, rounded half away from zero as the system's MulDiv rounds;
// `value` unchanged when `den` is not positive.
[[nodiscard]] constexpr int ScaleLength(int value, int num, int den) noexcept {
    if (den <= 0) return value;
    const long long product = static_cast<long long>(value) * num;
    const long long half = den / 2;
    return static_cast<int>(product >= 0 ? (product + half) / den : (product - half) / den);
}

// Designed pixel sizes scaled by the font's text height against the designed 12.
struct LayoutScale {
    int num = kDesignedTextHeight;
    int den = kDesignedTextHeight;
    [[nodiscard]] constexpr int operator()(int designed) const noexcept {
        return ScaleLength(designed, num, den);
    }
    constexpr bool operator==(const LayoutScale&) const = default;
};

// The layout scale of a window whose font measures `text_height` pixels at its DPI; a
// height that could not be measured (not positive) leaves the layout as designed.
[[nodiscard]] constexpr LayoutScale ScaleForTextHeight(int text_height) noexcept {
    return text_height > 0 ? LayoutScale{text_height, kDesignedTextHeight} : LayoutScale{};
}

// The character height, in pixels, of the designed 9-point font at `dpi` (the font is
// asked for with its negation): 12 at 96 dpi, 18 at 144.
[[nodiscard]] constexpr int DesignedCharHeight(int dpi) noexcept {
    constexpr int kPointSize = 9, kPointsPerInch = 72;
    return ScaleLength(kPointSize, dpi, kPointsPerInch);
}

// A DPI as the system reports it, or `fallback` where it reports none (0) or one no
// monitor has.
[[nodiscard]] constexpr int SaneDpi(long long reported, int fallback) noexcept {
    constexpr int kLowest = 48, kHighest = 96 * 8;
    return reported >= kLowest && reported <= kHighest ? static_cast<int>(reported) : fallback;
}

// The pixel size of a piece of artwork designed `designed` pixels wide (or high) at `dpi`.
[[nodiscard]] constexpr int ArtworkLength(int designed, int dpi) noexcept {
    return ScaleLength(designed, dpi, kDesignedDpi);
}

// How a bitmap drawn at 1× and at 2× of its design is brought to `target` pixels: the
// designed one as it is at its own size; otherwise the 2× one, repeated `repeat` times
// over in each direction (each pixel a square block, so the pixel art stays sharp)
// until it is at least as large as the target, then averaged down to the target where
// it is larger. Averaging down loses no edge the way stretching up blurs one.
struct ArtworkPlan {
    bool designed = true;  // the 1× bitmap at its size, nothing scaled
    int repeat = 1;        // of the 2× bitmap's pixels
    [[nodiscard]] bool AveragedDown(int designed_length, int target) const noexcept {
        return !designed && 2 * designed_length * repeat != target;
    }
};
[[nodiscard]] constexpr ArtworkPlan PlanArtwork(int designed, int target) noexcept {
    if (designed <= 0 || target == designed) return {};
    const int master = 2 * designed;
    return {.designed = false, .repeat = target <= master ? 1 : (target + master - 1) / master};
}

// A window's place on the screen: left, top, right and bottom edges.
struct ScreenBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    [[nodiscard]] constexpr int width() const noexcept { return right - left; }
    [[nodiscard]] constexpr int height() const noexcept { return bottom - top; }
    constexpr bool operator==(const ScreenBox&) const = default;
};

// The place of a window that takes a new size (`width` × `height`) at a change of its
// DPI: scaled about `anchor`, the point that stays where it was on the window, which is
// the pointer while the user drags the window (so that the window stays under it and
// on the monitor it was dragged to) and the top-left corner otherwise. An anchor
// outside the window counts as the corner.
[[nodiscard]] ScreenBox PlaceAfterDpiChange(const ScreenBox& before, int width, int height,
                                            int anchor_x, int anchor_y) noexcept;

}  // namespace nimbara
