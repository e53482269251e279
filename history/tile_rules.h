// The colour band of a slot tile and the rules by which it changes. Every tile runs
// through these rules on its own; a capture calls ResetTileForCapture on all twelve
// tiles and MarkTileNewest on the one that received the snapshot.
#pragma once

#include <cstdint>

namespace nimbara {

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
