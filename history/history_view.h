// What the capture and the paste-back show of the history: the tile grid implements it,
// so the two can run, and be watched, without the grid's windows.
#pragma once

#include <string>

#include "platform/handles.h"

namespace nimbara {

// A tile's picture: a bitmap or an enhanced metafile, drawn stretched over the tile.
struct TilePicture {
    UniqueHBitmap bitmap;
    UniqueEnhMetaFile metafile;
    explicit operator bool() const noexcept { return bitmap || metafile; }
};

class HistoryView {
public:
    virtual ~HistoryView() = default;
    // The two tile steps of a capture: every mark of the previous one cleared, then
    // `slot` shown as the newest, with no preview yet.
    virtual void ResetForCapture() = 0;
    virtual void MarkNewest(int slot) = 0;
    // The preview of a tile that MarkNewest prepared.
    virtual void SetPreviewText(int slot, const std::wstring& text) = 0;
    virtual void SetPicture(int slot, TilePicture picture) = 0;
    // The paste-back's mark on a clicked tile.
    virtual void MarkPasted(int slot) = 0;
};

}  // namespace nimbara
