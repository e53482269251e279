// Decisions of the capture that need no window system: how much of a snapshot's time is
// left, which picture formats are read off the clipboard, and which snapshots earn a slot.
#pragma once

#include <cstdint>

#include "history/slot_ring.h"

namespace nimbara {

// The longest one snapshot may take, every render by the content's owner included. Windows
// waits up to 30 s for an owner to render one format; a single budget for the whole
// snapshot keeps a hung owner from holding the clipboard longer than that.
constexpr std::uint32_t kSnapshotBudgetMs = 30000;

// Milliseconds of the budget left at `now` for a snapshot begun at `started`. Both are
// readings of a clock that wraps round; 0 once the budget is spent.
[[nodiscard]] std::uint32_t BudgetLeftMs(std::uint32_t started, std::uint32_t now,
                                         std::uint32_t budget = kSnapshotBudgetMs) noexcept;

// Time added to the budget for the bytes a snapshot has copied so far: 1 s for every 8 MB,
// far slower than any machine copies, so that a large content read whole is not taken for a
// hung owner, while an owner that does not render gains nothing.
[[nodiscard]] std::uint32_t CopyAllowanceMs(std::uint32_t copied_mb) noexcept;

// Where a snapshot takes a format's bytes from.
enum class FormatSource : std::uint8_t {
    kClipboard,        // read off the clipboard
    kAfterDibRecheck,  // read off the clipboard once the DIB read before is found sound again
    kCheckedDib,       // made by this program from the DIB it has read and checked
    kNumberOnly,       // kept as its number, never asked for
};

// The bitmap, its palette and the two DIB forms are one picture: the system makes each of
// them from another on request, from whatever the clipboard holds at that moment, and the
// owner may have changed it during a render since it was checked. So the first of them is
// read as it is (a DIB is checked); a bitmap after a sound DIB is made here from the DIB's
// checked bytes; the other DIB form is read only once the DIB read first is found sound
// again just before; after a lying DIB the rest, and a palette after any of them, are
// numbers (a restore lets the system make them again from what it writes).
class PictureFormats {
public:
    [[nodiscard]] FormatSource SourceOf(std::uint16_t format) noexcept;
    // The first DIB read was checked: `sound` when it holds every byte its header promises.
    void DibChecked(bool sound) noexcept;

private:
    bool first_read_ = false;
    bool dib_seen_ = false;
    bool dib_sound_ = false;
};

// How a format is kept once its read is over (`read`: its handle was had and its bytes copied).
// One that could not be read (no data, no memory, an object that cannot be copied) is kept as
// its number only: an empty block in its place would stand for content that was never there,
// and a restore would put that on the user's clipboard.
[[nodiscard]] ClipEncoding KeptEncoding(ClipEncoding encoding, bool read) noexcept;

// A record that a restore can put back on the clipboard.
[[nodiscard]] bool IsRestorable(const ClipFormatRecord& record) noexcept;
// Whether a snapshot earns a slot: one that restores nothing would only empty the user's
// clipboard when pasted, and push a good slot out of the ring.
[[nodiscard]] bool HasRestorable(const ClipSlot& slot) noexcept;

}  // namespace nimbara
