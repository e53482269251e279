#include "history/tile_rules.h"

namespace nimbara {

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
