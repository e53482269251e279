// The clipboard history: twelve slots, each empty or holding one complete
// snapshot of the clipboard, every format kept as bytes the program owns.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "history/clip_encoding.h"
#include "platform/byte_buffer.h"
#include "platform/clipboard.h"

namespace nimbara {

constexpr int SlotCount = 12;

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
class SlotRing {
public:
    [[nodiscard]] bool IsFilled(int slot) const { return slots_.at(slot - 1).has_value(); }
    [[nodiscard]] const ClipSlot* Get(int slot) const {
        const auto& s = slots_.at(slot - 1);
        return s ? &*s : nullptr;
    }
    void Release(int slot) { slots_.at(slot - 1).reset(); }
    void Store(int slot, ClipSlot snapshot) { slots_.at(slot - 1) = std::move(snapshot); }

    [[nodiscard]] int NextSlot() const noexcept { return next_slot_; }
    void AdvanceNextSlot() noexcept { next_slot_ = next_slot_ % SlotCount + 1; }
    void ResetNextSlot() noexcept { next_slot_ = 1; }

private:
    std::array<std::optional<ClipSlot>, SlotCount> slots_;
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
    // snapshot is consistent. Throws AppError "Cannot open clipboard" when the
    // clipboard cannot be opened. A format that cannot be read is kept with its
    // number and no data.
    [[nodiscard]] ClipSlot Snapshot();

    // Empties the clipboard and writes every record back, in stored order, in one
    // opening. Throws AppError "Cannot open clipboard" (the clipboard then stays as
    // it was). Formats the clipboard refuses are skipped. Returns how many were taken.
    int Restore(const ClipSlot& slot);

private:
    ClipboardApi& clipboard_;
    HWND owner_;
    std::function<void()> on_read_failure_;
};

}  // namespace nimbara
