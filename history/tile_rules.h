// The tile grid's rules: where each tile and its parts lie, which tile a point is on,
// and the colour band of a tile and the rules by which it changes. Every tile runs
// through the colour rules on its own; a capture calls ResetTileForCapture on all twelve
// tiles and MarkTileNewest on the one that received the snapshot.
#pragma once

#include <cstdint>
#include <functional>

namespace nimbara {

// Slots fill the grid row by row, four to a row.
constexpr int kTileColumns = 4;
constexpr int kTileRows = 3;

// A rectangle in a window's client area, right and bottom edges outside it.
struct TileBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const TileBox&) const = default;
};

// The three windows of a tile, each in its parent's client area: the colour band in the
// grid, the framed panel in the band, the preview label in the frame.
struct TileParts {
    TileBox band;
    TileBox frame;
    TileBox label;
};

// Designed pixels to the screen's, as the layout scales them.
using PixelScale = std::function<int(int designed)>;

// The parts of the tile of `slot` (1..12). Each edge is scaled on its own, as the designed
// layout is, so that tiles of a scaled grid still lie a pixel apart or so.
[[nodiscard]] TileParts PartsOfTile(int slot, const PixelScale& scale);

// The slot whose preview label holds the point (x, y) of the grid's client area, where a
// click pastes; 0 where none does.
[[nodiscard]] int TileAt(int x, int y, const PixelScale& scale);

// Windows colour codes, compared exactly: IdleColor names the system button-face
// colour by index (top bit set) and is never compared as the RGB value it stands for.
constexpr std::uint32_t kIdleColor = 0x8000000F;
constexpr std::uint32_t kNewestColor = 0x004080FF;
constexpr std::uint32_t kHoverColor = 0x00FF8000;
constexpr std::uint32_t kPastedColor = 0x00FF00FF;

struct TileMarks {
    std::uint32_t color = kIdleColor;
    // Set when the pointer entered the tile while it was the newest, so that leaving
    // gives the newest tile its colour back.
    bool newest_mark = false;
};

// Clear all: the band goes idle; the mark is left as it is.
void ClearTile(TileMarks& tile);

// First step of a capture: Newest/Idle become Idle, Hover and Pasted stay while the
// pointer is still over the tile; every mark is dropped.
void ResetTileForCapture(TileMarks& tile);

// Second step of a capture, for the tile that received the snapshot.
void MarkTileNewest(TileMarks& tile);

void TilePointerEnter(TileMarks& tile);
void TilePointerLeave(TileMarks& tile);

// A click that pasted the tile's slot back.
void TilePasted(TileMarks& tile);

// Which second press of a double click is a click of its own. The system tells a double
// click from time and place alone, so a click on a tile, the window hidden and shown
// again quickly (the hotkey twice, the tray icon) and a click on the same spot arrive
// as one double click. Only a double click within one showing pastes once; the press
// after a showing began is the user's first, and is never lost.
class TileClickPairing {
public:
    // A click on the tile of `slot` ended there.
    void Clicked(int slot) noexcept { last_click_ = slot; }
    // The window has left the screen: no press after it pairs with a click before it.
    void Hidden() noexcept { last_click_ = 0; }
    // Whether the second press of a double click on the tile of `slot` starts a click.
    [[nodiscard]] bool SecondPressStartsClick(int slot) const noexcept {
        return last_click_ != slot;
    }

private:
    int last_click_ = 0;
};

}  // namespace nimbara
