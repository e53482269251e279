// The history's twelve slots, each empty or holding one complete snapshot of the
// clipboard, every format kept as bytes the program owns.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/byte_buffer.h"
#include "platform/clip_encoding.h"

namespace nimbara {

constexpr int SlotCount = 12;

struct ClipFormatRecord {
    std::uint16_t format = 0;
    ClipEncoding encoding = ClipEncoding::kGlobal;
    ByteBuffer data;  // no data exactly when the byte count is 0
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

    // Clear all: every slot released (a snapshot held elsewhere lives on with its holder),
    // and the next capture fills slot 1.
    void ClearAll() noexcept {
        for (Held& slot : slots_) slot.reset();
        ResetNextSlot();
    }

private:
    std::array<Held, SlotCount> slots_;
    int next_slot_ = 1;
};

}  // namespace nimbara
