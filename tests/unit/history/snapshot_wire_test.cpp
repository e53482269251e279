// The reader's wire: heads as written, and streams of frames as the program reads them off
// its pipe, whole, cut short or written by a reader made to misbehave.
#include "history/snapshot_wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace nimbara {
namespace {

TEST(SnapshotWire, HeadsComeBackAsWrittenAndAnythingElseIsRefused) {
    const auto head = DecodeFrameHead(EncodeFrameHead({FrameKind::kEnd, 7, 2, 3}));
    ASSERT_TRUE(head);
    EXPECT_EQ(std::vector<std::uint32_t>({head->value, head->count, head->private_kb}),
              std::vector<std::uint32_t>({7, 2, 3}));
    const auto record = DecodeRecordHead(EncodeRecordHead({0xC123, ClipEncoding::kBitmap, 9}));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->format, 0xC123);
    EXPECT_EQ(record->encoding, ClipEncoding::kBitmap);
    EXPECT_EQ(record->bytes, 9u);

    FrameHeadBytes wrong_mark = EncodeFrameHead({});
    wrong_mark[0] ^= 0xFF;
    const FrameHead refused_heads[] = {{FrameKind(4), 1, 0, 0},
                                       {FrameKind::kFormats, 1, kMaxSnapshotRecords + 1, 0},
                                       {FrameKind::kRecord, kMaxSnapshotRecords, 0, 0}};
    EXPECT_FALSE(DecodeFrameHead(wrong_mark));
    for (const FrameHead& h : refused_heads) EXPECT_FALSE(DecodeFrameHead(EncodeFrameHead(h)));
    RecordHeadBytes unknown = EncodeRecordHead({1, ClipEncoding::kGlobal, 1});
    unknown[2] = 6;
    EXPECT_FALSE(DecodeRecordHead(unknown));
    EXPECT_FALSE(DecodeRecordHead(EncodeRecordHead({1, ClipEncoding::kUnrestorable, 1})));
    if (sizeof(std::size_t) < 8)
        EXPECT_FALSE(DecodeRecordHead(EncodeRecordHead({1, ClipEncoding::kGlobal, 1ull << 32})));
}

void Append(std::vector<std::uint8_t>& to, std::span<const std::uint8_t> bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// A record's heads and its bytes, as the reader writes them.
void AppendRecord(std::vector<std::uint8_t>& to, std::size_t position, std::uint16_t format,
                  const std::string& text) {
    const ClipFormatRecord record{
        format, ClipEncoding::kGlobal,
        ByteBuffer::CopyOf({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})};
    Append(to, EncodeRecordFrame(position, record));
    Append(to, record.data.bytes());
}

struct Read {
    WireStream last = WireStream::kGoesOn;
    std::vector<SnapshotResult> wholes;
    SnapshotResult arrived;  // of the snapshot under way when the stream stopped
};

Read ReadStream(BytesInput& input, std::size_t& counted) {
    Read read;
    ArrivingSnapshot arriving;
    while (read.last == WireStream::kGoesOn) {
        WireFrame frame;
        read.last = ReadFrame(input, frame);
        if (read.last != WireStream::kGoesOn) break;
        counted += frame.uncounted;
        std::optional<SnapshotResult> whole;
        if (!TakeFrame(arriving, std::move(frame), whole)) read.last = WireStream::kMisbehaved;
        if (whole) read.wholes.push_back(std::move(*whole));
    }
    read.arrived = TakeArrived(arriving);
    counted += input.counted();
    return read;
}

std::string Text(const ClipFormatRecord& record) {
    return {reinterpret_cast<const char*>(record.data.data()), record.data.size()};
}

TEST(SnapshotWire, StreamsOfFramesGiveWhatArrivedAndStopAtWhatTheReaderNeverWrites) {
    // The list: CF_TEXT, CF_UNICODETEXT and a registered format; a text, then 1.5 MB.
    const std::string big(3u << 19, 'x');
    const struct {
        const char* name;
        bool listed;      // the list comes first
        int record_at;    // where the text's record, of CF_TEXT, says it goes
        bool ended;       // an end frame follows, which says every format went unread
        std::size_t cut;  // bytes cut off the end of the stream
        WireStream last;
    } cases[] = {
        {"whole", true, 0, true, 0, WireStream::kEnded},
        {"cut in the end frame", true, 0, true, 1, WireStream::kEnded},
        {"cut in the record", true, 0, false, 1, WireStream::kEnded},
        {"a record at another format's place", true, 1, true, 0, WireStream::kMisbehaved},
        {"a record past the list", true, 3, true, 0, WireStream::kMisbehaved},
        {"a record before any list", false, 0, true, 0, WireStream::kMisbehaved},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes;
        if (c.listed) bytes = EncodeFormatsFrame(42, {1, 13, 0xC0DE});
        AppendRecord(bytes, c.record_at, 1, "first");
        AppendRecord(bytes, 2, 0xC0DE, big);
        if (c.ended) Append(bytes, EncodeFrameHead({FrameKind::kEnd, 42, 0xFFFFFFFFu, 9}));
        bytes.resize(bytes.size() - c.cut);
        BytesInput input(bytes);
        std::size_t counted = 0;
        const Read read = ReadStream(input, counted);
        EXPECT_EQ(read.last, c.last);
        const bool whole = c.ended && !c.cut && c.last == WireStream::kEnded;
        ASSERT_EQ(read.wholes.size(), whole ? 1u : 0u);
        const SnapshotResult& got = whole ? read.wholes[0] : read.arrived;
        if (!c.listed) {
            EXPECT_TRUE(got.slot.empty());
            continue;
        }
        ASSERT_EQ(got.slot.size(), 3u);
        EXPECT_EQ(got.sequence, 42u);
        EXPECT_EQ(got.whole, whole);
        EXPECT_EQ(got.slot[1].encoding, ClipEncoding::kUnrestorable) << "never sent";
        if (c.last == WireStream::kMisbehaved) continue;
        EXPECT_EQ(Text(got.slot[0]), "first");
        // What arrived whole is kept; a record cut short is not, though its pieces counted.
        const bool big_whole = !(c.cut && !c.ended);
        EXPECT_EQ(got.slot[2].data.size(), big_whole ? big.size() : 0u);
        if (big_whole) EXPECT_EQ(counted, 5 + big.size());
        if (whole) {
            EXPECT_EQ(got.unreadable, static_cast<int>(kMaxSnapshotRecords))
                << "no more formats go unread than a clipboard lists";
            EXPECT_EQ(got.grown_kb, 9u);
        }
    }
}

}  // namespace
}  // namespace nimbara
