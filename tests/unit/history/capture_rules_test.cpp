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
}

TEST(CaptureRules, OnlyTheFirstPictureFormatIsReadAndABitmapIsMadeFromASoundDib) {
    constexpr auto R = FormatSource::kClipboard, D = FormatSource::kCheckedDib,
                   N = FormatSource::kNumberOnly;
    const struct {
        const char* name;
        std::vector<std::uint16_t> formats;
        bool dib_sound;
        std::vector<FormatSource> want;
    } cases[] = {
        {"DIB put, the rest made by the system", {1, 8, 2, 9, 17}, true, {R, R, D, N, N}},
        {"lying DIB", {8, 2, 9, 17}, false, {R, N, N, N}},
        {"bitmap put", {2, 9, 8, 17}, false, {R, N, N, N}},
        {"palette before its bitmap", {9, 2, 8}, false, {R, R, N}},
        {"DIBV5 put", {17, 8, 2}, true, {R, N, D}},
        {"no picture", {1, 13, 15, 0xC001}, false, {R, R, R, R}},
    };
    for (const auto& c : cases) {
        PictureFormats pictures;
        std::vector<FormatSource> got;
        for (std::uint16_t format : c.formats) {
            got.push_back(pictures.SourceOf(format));
            if ((format == 8 || format == 17) && got.back() == R) pictures.DibChecked(c.dib_sound);
        }
        EXPECT_EQ(got, c.want) << c.name;
    }
}

TEST(CaptureRules, ASnapshotEarnsASlotOnlyWithSomethingToWriteBack) {
    constexpr auto G = ClipEncoding::kGlobal, B = ClipEncoding::kBitmap,
                   E = ClipEncoding::kEnhMetaFile, U = ClipEncoding::kUnrestorable;
    const struct {
        const char* name;
        std::vector<std::pair<ClipEncoding, bool>> records;  // encoding, has bytes
        bool earns;
    } cases[] = {{"no records", {}, false},
                 {"refused and an unreadable picture", {{U, false}, {B, false}}, false},
                 {"an empty block is a format too", {{U, false}, {G, false}}, true},
                 {"a picture", {{E, true}}, true}};
    const std::uint8_t byte = 7;
    for (const auto& c : cases) {
        ClipSlot slot;
        for (const auto& [encoding, data] : c.records) {
            ClipFormatRecord& r = slot.emplace_back();
            r.encoding = encoding;
            if (data) r.data = ByteBuffer::CopyOf({&byte, 1});
        }
        EXPECT_EQ(HasRestorable(slot), c.earns) << c.name;
    }
}

TEST(SnapshotWire, HeadsComeBackAsWrittenAndAnythingElseIsRefused) {
    const SnapshotHead head{SnapshotStatus::kTaken, 0xDEADBEEF, 2, 3};
    const std::optional<SnapshotHead> back = DecodeSnapshotHead(EncodeSnapshotHead(head));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sequence, head.sequence);
    EXPECT_EQ(back->unreadable, 2u);
    EXPECT_EQ(back->records, 3u);
    const RecordHead record{0xC123, ClipEncoding::kMetaFilePict, 0x12345};
    const std::optional<RecordHead> record_back = DecodeRecordHead(EncodeRecordHead(record));
    ASSERT_TRUE(record_back);
    EXPECT_EQ(record_back->format, 0xC123);
    EXPECT_EQ(record_back->encoding, ClipEncoding::kMetaFilePict);
    EXPECT_EQ(record_back->bytes, 0x12345u);

    const struct {
        const char* name;
        SnapshotHead head;
        int corrupt_at;  // -1: none
    } heads[] = {{"wrong mark", head, 0},
                 {"unknown status", {SnapshotStatus(2), 1, 0, 0}, -1},
                 {"too many records", {SnapshotStatus::kTaken, 1, 0, kMaxSnapshotRecords + 1}, -1},
                 {"records of a busy clipboard", {SnapshotStatus::kClipboardBusy, 1, 0, 1}, -1}};
    for (const auto& c : heads) {
        SnapshotHeadBytes bytes = EncodeSnapshotHead(c.head);
        if (c.corrupt_at >= 0) bytes[c.corrupt_at] ^= 0xFF;
        EXPECT_FALSE(DecodeSnapshotHead(bytes)) << c.name;
    }
    const struct {
        const char* name;
        RecordHead head;
        std::uint8_t encoding_byte;
    } records[] = {{"unknown encoding", record, 6},
                   {"bytes of a number-only record", {1, ClipEncoding::kUnrestorable, 1}, 5},
                   {"more than a size can count",
                    {1, ClipEncoding::kGlobal, sizeof(std::size_t) < 8 ? 0x100000000ull : 0},
                    0}};
    for (const auto& c : records) {
        RecordHeadBytes bytes = EncodeRecordHead(c.head);
        bytes[2] = c.encoding_byte;
        if (c.head.bytes == 0) continue;  // 64-bit host: every size fits
        EXPECT_FALSE(DecodeRecordHead(bytes)) << c.name;
    }
}

}  // namespace
}  // namespace nimbara
