// The capture's rules: the snapshot budget across the clock's wrap, which picture formats
// are read off the clipboard, which snapshots earn a slot, and the reader's wire heads.
#include "history/capture_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "history/snapshot_wire.h"

namespace nimbara {
namespace {

TEST(CaptureRules, BudgetLeftCountsFromTheStartAcrossTheClockWrap) {
    const struct {
        std::uint32_t started, now, left;
    } cases[] = {{0, 0, 30000},           {0, 1, 29999}, {0, 29999, 1},
                 {0, 30000, 0},           {0, 90000, 0}, {0xFFFFFF00u, 0x100, 29488},
                 {0xFFFFFF00u, 29744, 0}, {100, 99, 0} /* a clock gone back: all spent */};
    for (const auto& c : cases) EXPECT_EQ(BudgetLeftMs(c.started, c.now), c.left) << c.now;
    // Copying is not hanging: 1 s more for every 8 MB copied, without overflowing the budget.
    const std::uint32_t copied[][2] = {{0, 0}, {8, 1000}, {80, 10000}, {0xFFFFFFFFu, 0}};
    for (const auto& [mb, ms] : copied) {
        if (ms) EXPECT_EQ(CopyAllowanceMs(mb), ms) << mb;
        EXPECT_GE(CopyAllowanceMs(mb) + kSnapshotBudgetMs, kSnapshotBudgetMs) << mb;
    }
}

TEST(CaptureRules, PictureFormatsMadeFromADibAreMadeFromTheCheckedOneOrReadOnceItIsRechecked) {
    constexpr auto R = FormatSource::kClipboard, A = FormatSource::kAfterDibRecheck,
                   D = FormatSource::kCheckedDib, N = FormatSource::kNumberOnly;
    const struct {
        const char* name;
        std::vector<std::uint16_t> formats;
        bool dib_sound;
        std::vector<FormatSource> want;
    } cases[] = {
        {"DIB put, the rest made by the system", {1, 8, 2, 9, 17}, true, {R, R, D, N, A}},
        {"lying DIB", {8, 2, 9, 17}, false, {R, N, N, N}},
        {"bitmap put", {2, 9, 8, 17}, true, {R, N, R, A}},
        {"palette before its bitmap", {9, 2, 8}, false, {R, R, R}},
        {"DIBV5 put", {17, 8, 2}, true, {R, A, D}},
        {"no picture", {1, 13, 15, 0xC001}, false, {R, R, R, R}},
    };
    for (const auto& c : cases) {
        PictureFormats pictures;
        std::vector<FormatSource> got;
        for (std::uint16_t format : c.formats) {
            got.push_back(pictures.SourceOf(format));
            if (format == 8 || format == 17) pictures.DibChecked(c.dib_sound);
        }
        EXPECT_EQ(got, c.want) << c.name;
    }
}

TEST(CaptureRules, ASnapshotEarnsASlotOnlyWithSomethingToWriteBackAndAFailedReadIsNothing) {
    constexpr auto G = ClipEncoding::kGlobal, B = ClipEncoding::kBitmap,
                   E = ClipEncoding::kEnhMetaFile, U = ClipEncoding::kUnrestorable;
    struct Record {
        ClipEncoding encoding;
        bool bytes;
        bool read = true;  // its read failed when false: kept as KeptEncoding says
    };
    const struct {
        const char* name;
        std::vector<Record> records;
        bool earns;
    } cases[] = {{"no records", {}, false},
                 {"refused and an unreadable picture", {{U, false}, {B, false}}, false},
                 {"an empty block is a format too", {{U, false}, {G, false}}, true},
                 {"a picture", {{E, true}}, true},
                 {"a block whose read failed", {{G, false, false}}, false},
                 {"a failed read, whatever bytes came", {{G, true, false}}, false},
                 {"a failed picture beside a read one", {{B, false, false}, {E, true}}, true}};
    const std::uint8_t byte = 7;
    for (const auto& c : cases) {
        ClipSlot slot;
        for (const Record& record : c.records) {
            ClipFormatRecord& r = slot.emplace_back();
            r.encoding = KeptEncoding(record.encoding, record.read);
            if (record.bytes) r.data = ByteBuffer::CopyOf({&byte, 1});
        }
        EXPECT_EQ(HasRestorable(slot), c.earns) << c.name;
    }
}

TEST(SnapshotWire, HeadsComeBackAsWrittenAndAnythingElseIsRefused) {
    const auto head = DecodeSnapshotHead(EncodeSnapshotHead({SnapshotStatus::kTaken, 7, 2, 3}));
    ASSERT_TRUE(head);
    EXPECT_EQ(std::vector<std::uint32_t>({head->sequence, head->unreadable, head->records}),
              std::vector<std::uint32_t>({7, 2, 3}));
    const auto record = DecodeRecordHead(EncodeRecordHead({0xC123, ClipEncoding::kBitmap, 9}));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->format, 0xC123);
    EXPECT_EQ(record->encoding, ClipEncoding::kBitmap);
    EXPECT_EQ(record->bytes, 9u);

    SnapshotHeadBytes wrong_mark = EncodeSnapshotHead({});
    wrong_mark[0] ^= 0xFF;
    const SnapshotHead refused_heads[] = {{SnapshotStatus(2), 1, 0, 0},
                                          {SnapshotStatus::kTaken, 1, 0, kMaxSnapshotRecords + 1},
                                          {SnapshotStatus::kClipboardBusy, 1, 0, 1}};
    EXPECT_FALSE(DecodeSnapshotHead(wrong_mark));
    for (const SnapshotHead& h : refused_heads)
        EXPECT_FALSE(DecodeSnapshotHead(EncodeSnapshotHead(h)));
    RecordHeadBytes unknown = EncodeRecordHead({1, ClipEncoding::kGlobal, 1});
    unknown[2] = 6;
    EXPECT_FALSE(DecodeRecordHead(unknown));
    EXPECT_FALSE(DecodeRecordHead(EncodeRecordHead({1, ClipEncoding::kUnrestorable, 1})));
    if (sizeof(std::size_t) < 8)
        EXPECT_FALSE(DecodeRecordHead(EncodeRecordHead({1, ClipEncoding::kGlobal, 1ull << 32})));
}

}  // namespace
}  // namespace nimbara
