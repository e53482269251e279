#include "history/tile_rules.h"

namespace nimbara {

namespace {
// Designed layout: tiles 105 x 97 with a 1-pixel gap, a 4-pixel band, a 97 x 89
// frame and a 93 x 85 preview area inside its two bevels.
constexpr int kTileWidth = 105, kTileHeight = 97, kTileStepX = kTileWidth + 1,
              kTileStepY = kTileHeight + 1;
constexpr int kGridLeft = 3, kGridTop = 3, kBand = 4, kFrameWidth = 97, kFrameHeight = 89;
constexpr int kInset = 2, kInnerWidth = 93, kInnerHeight = 85;

TileBox Inside(const TileBox& parent, const TileBox& child) {
    return {parent.left + child.left, parent.top + child.top, parent.left + child.right,
            parent.top + child.bottom};
}
}  // namespace

TileParts PartsOfTile(int slot, const PixelScale& scale) {
    const int column = (slot - 1) % kTileColumns, row = (slot - 1) / kTileColumns;
    const int x = scale(kGridLeft + kTileStepX * column), y = scale(kGridTop + kTileStepY * row);
    return {
        .band = {x, y, x + scale(kTileWidth), y + scale(kTileHeight)},
        .frame = {scale(kBand), scale(kBand), scale(kBand + kFrameWidth),
                  scale(kBand + kFrameHeight)},
        .label = {scale(kInset), scale(kInset), scale(kInset + kInnerWidth),
                  scale(kInset + kInnerHeight)},
    };
}

int TileAt(int x, int y, const PixelScale& scale) {
    for (int slot = 1; slot <= kTileColumns * kTileRows; ++slot) {
        const TileParts parts = PartsOfTile(slot, scale);
        const TileBox label = Inside(parts.band, Inside(parts.frame, parts.label));
        if (x >= label.left && x < label.right && y >= label.top && y < label.bottom) return slot;
    }
    return 0;
}

void ClearTile(TileMarks& tile) { tile.color = kIdleColor; }

void ResetTileForCapture(TileMarks& tile) {
    if (tile.color == kNewestColor || tile.color == kIdleColor) tile.color = kIdleColor;
    tile.newest_mark = false;
}

void MarkTileNewest(TileMarks& tile) { tile.color = kNewestColor; }

void TilePointerEnter(TileMarks& tile) {
    if (tile.color == kNewestColor) tile.newest_mark = true;
    tile.color = kHoverColor;
}

void TilePointerLeave(TileMarks& tile) {
    if (tile.newest_mark) {
        tile.newest_mark = false;
        tile.color = kNewestColor;
    } else {
        tile.color = kIdleColor;
    }
}

void TilePasted(TileMarks& tile) { tile.color = kPastedColor; }

}  // namespace nimbara
