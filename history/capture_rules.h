// Decisions of the capture that need no window system: how much of a snapshot's time is
// left, in which order and from where the formats are read, what a snapshot cut short
// keeps, which snapshots earn a slot, and what follows an end of the reader process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

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

// The positions of `formats` in the order a snapshot reads them: what a user pastes (the
// text forms, file lists, pictures) first, then the rest, each group in the clipboard's own
// order, so that a snapshot cut short by its budget has read those.
[[nodiscard]] std::vector<std::size_t> ReadOrder(const std::vector<std::uint16_t>& formats);

// A snapshot as it arrives from the reader: every format first kept as its number only,
// then filled as its record comes. Records the reader was not asked for (a position out of
// range, another format, one already filled) are refused: false.
[[nodiscard]] ClipSlot NumbersOnly(const std::vector<std::uint16_t>& formats);
[[nodiscard]] bool TakeRecord(ClipSlot& slot, std::size_t position, ClipFormatRecord record);

// The reader's own exit code when it crashed: its exception filter ends it with this at once,
// before any crash dialog could come up and while the clipboard would stay held.
constexpr std::uint32_t kReaderCrashExitCode = 0x4E42C0DEu;

enum class ReaderEnd : std::uint8_t {
    kCrashed,  // on what it read: the content is given up
    kEnded,    // from outside, at its start, or its pipe broke: the content is not to blame
};
// How the reader ended by its exit code; none when it is not known.
[[nodiscard]] ReaderEnd ClassifyReaderExit(std::optional<std::uint32_t> exit_code) noexcept;

// A content is read again by a fresh reader after an end that was not its fault, this
// many times at most; then it is given up like one the reader crashed on, unless the readers
// never even began (each ended at its start): the snapshot is then taken in the program.
constexpr int kReadsAfterReaderEnds = 2;
enum class AfterReaderEnd : std::uint8_t { kReadAgain, kGiveUp, kReadInProcess };
// `ends`: how many readers have ended on this content, this one included; `began`: whether
// the last one had begun a snapshot at all.
[[nodiscard]] AfterReaderEnd AfterReaderEnded(ReaderEnd end, int ends, bool began) noexcept;

// The reader is started afresh between snapshots once it has read this many, or has grown by
// this much since its start: what the system's clipboard code keeps in it is then given back.
constexpr std::uint32_t kReaderSnapshotsBeforeRestart = 200;
constexpr std::uint32_t kReaderGrowthBeforeRestartKb = 8 * 1024;
[[nodiscard]] bool StartReaderAfresh(std::uint32_t snapshots, std::uint32_t grown_kb) noexcept;

}  // namespace nimbara
