// What a tile shows for a snapshot: the first 100 bytes of its text, its picture,
// the names of its files, or the numbers of the formats it cannot show.
#pragma once

#include <string>

#include "history/history_view.h"
#include "history/slot_ring.h"

namespace nimbara {

struct Preview {
    std::wstring text;
    TilePicture picture;
};

// Built from the snapshot itself, so the tile always shows what the slot holds.
Preview BuildPreview(const ClipSlot& slot);

}  // namespace nimbara
