// The twelve tiles of the history grid: each shows one slot's preview and, by
// the colour of the band around its frame, which slot is the newest, which tile
// is under the pointer and which one was just clicked to paste.
//
// Every part of a tile is a real child window whose text and enabled state can
// be read from outside (WM_GETTEXT, IsWindowEnabled), as a screen reader does:
//   PColor n  (id 100 + n)  the band; its text is NewestMark, "True" or empty
//   PFrame n  (id 200 + n)  the framed panel; its text is the frame caption
//   LText n   (id 300 + n)  the preview label; its text is the preview text,
//                           enabled exactly while the slot holds a snapshot
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "history/history_view.h"
#include "history/slot_ring.h"
#include "history/tile_rules.h"
#include "platform/handles.h"
#include "platform/layout.h"
#include "platform/panel.h"

namespace nimbara {

constexpr UINT kColorIdBase = 100;
constexpr UINT kFrameIdBase = 200;
constexpr UINT kLabelIdBase = 300;
inline constexpr wchar_t kEmptyTileCaption[] = L"(空)";

class SlotTiles final : public HistoryView {
public:
    // Builds the tiles inside the window `grid`. `on_click` runs the paste-back of a slot.
    SlotTiles(HWND grid, LayoutScale scale, HFONT font, std::function<void(int)> on_click);
    ~SlotTiles();
    SlotTiles(const SlotTiles&) = delete;
    SlotTiles& operator=(const SlotTiles&) = delete;

    // Shows Clear all: every tile emptied. The ring clears its slots itself.
    void ClearAll();
    void ResetForCapture() override;
    void MarkNewest(int slot) override;
    void SetPreviewText(int slot, const std::wstring& text) override;
    void SetPicture(int slot, TilePicture picture) override;
    void MarkPasted(int slot) override;
    // The grid laid out anew at another scale, its texts in `font` (the window's at its
    // new DPI, kept alive by the caller as long as the tiles); the pictures are drawn
    // over their new places.
    void Rescale(LayoutScale scale, HFONT font);
    // The pointer has gone (the window was hidden): the hovered tile gets its leave, and
    // the next press on a tile is a new click, whatever the system takes it for.
    void PointerGone();

    // Frames the tile of `slot` as the keyboard's selection (0: none) and tells assistive
    // technology of it. The frame is drawn in the system highlight colour inside the tile;
    // the band keeps its colour and its meaning.
    void Select(int slot);
    [[nodiscard]] int selected() const noexcept { return selected_; }

    [[nodiscard]] std::uint32_t ColorOf(int slot) const;
    // Whether the pointer rests on the label of a tile that holds a snapshot, where a
    // click pastes.
    [[nodiscard]] bool PointerOnFilledTile() const;
    // Pointer reports of the panel around the tiles, which belongs to no tile.
    [[nodiscard]] const PointerSink& pointer_sink() const noexcept { return sink_; }

private:
    struct Tile;
    class TileLabel;

    Tile& tile(int slot) { return *tiles_.at(slot - 1); }
    void ApplyMarks(int slot);
    void OnPointerMoved();
    void OnPointerLeft();
    [[nodiscard]] int TileUnderCursor() const;
    void Enter(int slot);
    void Leave(int slot);
    void WatchForLeave();

    HWND grid_;
    LayoutScale scale_;
    HFONT font_;
    std::function<void(int)> on_click_;
    PointerSink sink_;
    std::array<std::unique_ptr<Tile>, SlotCount> tiles_;
    int hovered_ = 0;
    int selected_ = 0;
    TileClickPairing pairing_;
};

}  // namespace nimbara
