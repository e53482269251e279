// The slot ring: NextSlot going round the twelve, which slots a store or a release
// leaves filled, Clear all, and a snapshot that a restore holds outliving its slot.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "history/slot_ring.h"

namespace nimbara {
namespace {

ClipSlot OneByte(std::uint8_t byte) {
    ClipSlot slot(1);
    slot[0].data = ByteBuffer::CopyOf({&byte, 1});
    return slot;
}

std::vector<int> Filled(const SlotRing& ring) {
    std::vector<int> filled;
    for (int slot = 1; slot <= SlotCount; ++slot)
        if (ring.IsFilled(slot)) filled.push_back(slot);
    return filled;
}

TEST(SlotRing, NextSlotGoesRoundTheTwelveAndStartsAgainAtOne) {
    SlotRing ring;
    std::vector<int> next;
    for (int i = 0; i < SlotCount + 2; ++i, ring.AdvanceNextSlot()) next.push_back(ring.NextSlot());
    EXPECT_EQ(next, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2}));
    ring.ResetNextSlot();
    EXPECT_EQ(ring.NextSlot(), 1);
}

TEST(SlotRing, StoreAndReleaseFillAndEmptyOnlyTheirSlotAndAHeldSnapshotOutlivesIt) {
    SlotRing ring;
    const struct {
        bool store;
        int slot;
        std::vector<int> filled;
    } steps[] = {{true, 1, {1}}, {true, 12, {1, 12}}, {false, 1, {12}}, {false, 5, {12}}};
    for (const auto& s : steps) {
        s.store ? ring.Store(s.slot, OneByte(0)) : ring.Release(s.slot);
        EXPECT_EQ(Filled(ring), s.filled) << s.store << " " << s.slot;
    }
    EXPECT_THROW(ring.Store(SlotCount + 1, {}), std::out_of_range);

    ring.Store(3, OneByte('a'));
    const SlotRing::Held held = ring.Hold(3);
    ring.Release(3);
    ring.Store(3, OneByte('b'));
    ASSERT_EQ(held->size(), 1u);
    EXPECT_EQ(held->front().data.bytes()[0], 'a');
    EXPECT_EQ(ring.Get(3)->front().data.bytes()[0], 'b');
    EXPECT_EQ(ring.Hold(4), nullptr);
}

TEST(SlotRing, ClearAllEmptiesEverySlotAndStartsAgainAtOneWhileAHeldSnapshotLives) {
    SlotRing ring;
    for (int slot : {1, 7, 12}) ring.Store(slot, OneByte(static_cast<std::uint8_t>(slot)));
    for (int i = 0; i < 5; ++i) ring.AdvanceNextSlot();
    const SlotRing::Held held = ring.Hold(7);
    ring.ClearAll();
    EXPECT_EQ(Filled(ring), std::vector<int>{});
    EXPECT_EQ(ring.NextSlot(), 1);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->front().data.bytes()[0], 7);
}

}  // namespace
}  // namespace nimbara
