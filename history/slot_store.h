// The clipboard history: twelve slots, each empty or holding one complete
// snapshot of the clipboard, every format kept as bytes the program owns.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/clip_encoding.h"
#include "platform/byte_buffer.h"
#include "platform/clipboard.h"

namespace nimbara {

constexpr int SlotCount = 12;
// How long a snapshot waits, at most, for another program to render a format it offers
// on demand. Windows itself gives up after 30 s; this program holds the clipboard open
// meanwhile, and with it every other program's copy and paste.
constexpr DWORD kOwnerRenderWaitMs = 3000;

struct ClipFormatRecord {
    std::uint16_t format = 0;
    ClipEncoding encoding = ClipEncoding::kGlobal;
    ByteBuffer data;  // no data exactly when the byte count is 0

    [[nodiscard]] std::int64_t byte_count() const noexcept {
        return static_cast<std::int64_t>(data.size());
    }
};

// One snapshot: the formats in the order the clipboard enumerated them. A snapshot
// may hold no records at all.
using ClipSlot = std::vector<ClipFormatRecord>;

// The twelve slots, numbered 1..12, and NextSlot, the slot the next capture fills.
// A snapshot is shared: a restore holds the one it writes, so that a Clear all, an exit
// or a capture handled while the restore waits on the clipboard frees nothing under it.
class SlotRing {
public:
    using Held = std::shared_ptr<const ClipSlot>;

    [[nodiscard]] bool IsFilled(int slot) const { return slots_.at(slot - 1) != nullptr; }
    [[nodiscard]] const ClipSlot* Get(int slot) const { return slots_.at(slot - 1).get(); }
    // The slot's snapshot, kept alive for as long as the caller holds it; empty when the
    // slot is.
    [[nodiscard]] Held Hold(int slot) const { return slots_.at(slot - 1); }
    void Release(int slot) { slots_.at(slot - 1).reset(); }
    void Store(int slot, ClipSlot snapshot) {
        slots_.at(slot - 1) = std::make_shared<const ClipSlot>(std::move(snapshot));
    }

    [[nodiscard]] int NextSlot() const noexcept { return next_slot_; }
    void AdvanceNextSlot() noexcept { next_slot_ = next_slot_ % SlotCount + 1; }
    void ResetNextSlot() noexcept { next_slot_ = 1; }

private:
    std::array<Held, SlotCount> slots_;
    int next_slot_ = 1;
};

// Reads and writes the clipboard in the name of the program's main window.
class ClipStore {
public:
    // `on_read_failure` is told of every format whose bytes could not be read
    // (the clipboard is closed again by then); it may show a modal message box.
    ClipStore(ClipboardApi& clipboard, HWND owner, std::function<void()> on_read_failure)
        : clipboard_(clipboard), owner_(owner), on_read_failure_(std::move(on_read_failure)) {}

    // How many formats the clipboard holds; 0 or less means nothing to capture.
    [[nodiscard]] int CountFormats() { return clipboard_.CountFormats(); }

    // Takes a snapshot of every format on the clipboard, in one opening so that the
    // snapshot is consistent. Throws ClipboardBusyError, "Cannot open clipboard", when
    // another program holds the clipboard. A format that cannot be read is kept with
    // its number and no data. A DIB whose header promises more than its block holds is
    // kept as its number only, and the pictures the system would build from it are not
    // asked for. When the owner does not answer, the formats it would render on
    // request are not asked for either: they are kept as numbers.
    [[nodiscard]] ClipSlot Snapshot();

    // Empties the clipboard and writes every record back, in stored order, in one
    // opening. Throws ClipboardBusyError (the clipboard then stays as it was). Formats
    // the clipboard refuses are skipped. Returns how many were taken: none leaves the
    // clipboard empty.
    [[nodiscard]] int Restore(const ClipSlot& slot);

    // The clipboard's sequence number as the last snapshot found it or the last restore
    // left it; 0 before either.
    [[nodiscard]] DWORD last_sequence() const noexcept { return last_sequence_; }
    [[nodiscard]] DWORD CurrentSequence() { return clipboard_.SequenceNumber(); }

private:
    ClipboardApi& clipboard_;
    HWND owner_;
    std::function<void()> on_read_failure_;
    DWORD last_sequence_ = 0;
    HWND hung_owner_reported_ = nullptr;  // told once, not at every capture while it hangs
};

}  // namespace nimbara
