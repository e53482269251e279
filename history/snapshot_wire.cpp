#include "history/snapshot_wire.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "history/capture_rules.h"
#include "history/little_endian.h"

namespace nimbara {

namespace {

constexpr std::uint32_t kMark = 0x4E42534E;  // "NSBN"

// Skips bytes that this process has no memory for, so that the next frame is read whole.
bool Skip(WireInput& input, std::uint64_t bytes) {
    std::uint8_t chunk[16384];
    while (bytes > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, sizeof(chunk)));
        if (!input.Read(std::span<std::uint8_t>(chunk, n))) return false;
        bytes -= n;
    }
    return true;
}

WireStream ReadFormats(WireInput& input, WireFrame& frame) {
    std::vector<std::uint8_t> bytes(std::size_t{frame.head.count} * 2);
    if (!input.Read(bytes)) return WireStream::kEnded;
    frame.formats.resize(frame.head.count);
    for (std::size_t i = 0; i < frame.formats.size(); ++i)
        frame.formats[i] = ReadLittleEndian<std::uint16_t>(bytes, i * 2);
    return WireStream::kGoesOn;
}

WireStream ReadRecord(WireInput& input, WireFrame& frame) {
    RecordHeadBytes head_bytes;
    if (!input.Read(head_bytes)) return WireStream::kEnded;
    const std::optional<RecordHead> head = DecodeRecordHead(head_bytes);
    if (!head) return WireStream::kMisbehaved;
    frame.record = {head->format, head->encoding, {}};
    try {
        frame.record.data = ByteBuffer(static_cast<std::size_t>(head->bytes));
    } catch (const std::bad_alloc&) {
        frame.no_memory = true;
        frame.record.encoding = ClipEncoding::kUnrestorable;
        return Skip(input, head->bytes) ? WireStream::kGoesOn : WireStream::kEnded;
    }
    constexpr std::size_t kPiece = 1u << 20;
    ByteBuffer& data = frame.record.data;
    std::size_t last = 0;
    for (std::size_t at = 0; at < data.size(); at += last) {
        if (last) input.Counted(last);
        last = std::min(kPiece, data.size() - at);
        if (!input.Read(std::span<std::uint8_t>(data.data() + at, last))) return WireStream::kEnded;
    }
    frame.uncounted = last;
    return WireStream::kGoesOn;
}

}  // namespace

FrameHeadBytes EncodeFrameHead(const FrameHead& head) noexcept {
    FrameHeadBytes bytes{};
    const std::span<std::uint8_t> out(bytes);
    WriteLittleEndian(out, 0, kMark);
    WriteLittleEndian(out, 4, static_cast<std::uint32_t>(head.kind));
    WriteLittleEndian(out, 8, head.value);
    WriteLittleEndian(out, 12, head.count);
    WriteLittleEndian(out, 16, head.private_kb);
    return bytes;
}

RecordHeadBytes EncodeRecordHead(const RecordHead& head) noexcept {
    RecordHeadBytes bytes{};
    const std::span<std::uint8_t> out(bytes);
    WriteLittleEndian(out, 0, head.format);
    bytes[2] = static_cast<std::uint8_t>(head.encoding);
    WriteLittleEndian(out, 4, head.bytes);
    return bytes;
}

std::optional<FrameHead> DecodeFrameHead(
    std::span<const std::uint8_t, kFrameHeadBytes> bytes) noexcept {
    if (ReadLittleEndian<std::uint32_t>(bytes, 0) != kMark) return std::nullopt;
    const auto kind = ReadLittleEndian<std::uint32_t>(bytes, 4);
    if (kind > static_cast<std::uint32_t>(FrameKind::kClipboardBusy)) return std::nullopt;
    FrameHead head{static_cast<FrameKind>(kind), ReadLittleEndian<std::uint32_t>(bytes, 8),
                   ReadLittleEndian<std::uint32_t>(bytes, 12),
                   ReadLittleEndian<std::uint32_t>(bytes, 16)};
    if (head.kind == FrameKind::kFormats && head.count > kMaxSnapshotRecords) return std::nullopt;
    if (head.kind == FrameKind::kRecord && head.value >= kMaxSnapshotRecords) return std::nullopt;
    return head;
}

std::optional<RecordHead> DecodeRecordHead(
    std::span<const std::uint8_t, kRecordHeadBytes> bytes) noexcept {
    if (bytes[2] > static_cast<std::uint8_t>(ClipEncoding::kUnrestorable) || bytes[3] != 0)
        return std::nullopt;
    RecordHead head{ReadLittleEndian<std::uint16_t>(bytes, 0), static_cast<ClipEncoding>(bytes[2]),
                    ReadLittleEndian<std::uint64_t>(bytes, 4)};
    if (head.bytes > std::numeric_limits<std::size_t>::max()) return std::nullopt;
    // A number-only record carries no bytes.
    if (head.encoding == ClipEncoding::kUnrestorable && head.bytes != 0) return std::nullopt;
    return head;
}

std::vector<std::uint8_t> EncodeFormatsFrame(std::uint32_t sequence,
                                             const std::vector<std::uint16_t>& formats) {
    std::vector<std::uint8_t> bytes(kFrameHeadBytes + formats.size() * 2);
    const FrameHeadBytes head = EncodeFrameHead(
        {FrameKind::kFormats, sequence, static_cast<std::uint32_t>(formats.size())});
    std::copy(head.begin(), head.end(), bytes.begin());
    for (std::size_t i = 0; i < formats.size(); ++i)
        WriteLittleEndian(std::span<std::uint8_t>(bytes), kFrameHeadBytes + i * 2, formats[i]);
    return bytes;
}

RecordFrameHeadBytes EncodeRecordFrame(std::size_t position,
                                       const ClipFormatRecord& record) noexcept {
    RecordFrameHeadBytes bytes{};
    const FrameHeadBytes frame =
        EncodeFrameHead({FrameKind::kRecord, static_cast<std::uint32_t>(position)});
    const RecordHeadBytes head =
        EncodeRecordHead({record.format, record.encoding, record.data.size()});
    std::copy(frame.begin(), frame.end(), bytes.begin());
    std::copy(head.begin(), head.end(), bytes.begin() + kFrameHeadBytes);
    return bytes;
}

bool BytesInput::Read(std::span<std::uint8_t> bytes) {
    if (bytes.size() > bytes_.size() - at_) return false;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), bytes.size(), bytes.begin());
    at_ += bytes.size();
    return true;
}

WireStream ReadFrame(WireInput& input, WireFrame& frame) {
    FrameHeadBytes head_bytes;
    if (!input.Read(head_bytes)) return WireStream::kEnded;
    const std::optional<FrameHead> head = DecodeFrameHead(head_bytes);
    if (!head) return WireStream::kMisbehaved;
    frame.head = *head;
    switch (head->kind) {
        case FrameKind::kFormats:
            return ReadFormats(input, frame);
        case FrameKind::kRecord:
            return ReadRecord(input, frame);
        case FrameKind::kEnd:
        case FrameKind::kClipboardBusy:
            return WireStream::kGoesOn;
    }
    return WireStream::kMisbehaved;
}

bool TakeFrame(ArrivingSnapshot& arriving, WireFrame&& frame,
               std::optional<SnapshotResult>& whole) {
    SnapshotResult& result = arriving.result;
    switch (frame.head.kind) {
        case FrameKind::kFormats:
            result = SnapshotResult{frame.head.value, 0, NumbersOnly(frame.formats)};
            arriving.formats_known = true;
            return true;
        case FrameKind::kRecord:
            if (!arriving.formats_known) return false;
            if (frame.no_memory) {
                // Stays as its number: only a format of the list at its place is counted.
                const std::size_t at = frame.head.value;
                if (at >= result.slot.size() || result.slot[at].format != frame.record.format)
                    return false;
                ++result.unreadable;
                return true;
            }
            return TakeRecord(result.slot, frame.head.value, std::move(frame.record));
        case FrameKind::kEnd:
            whole = TakeArrived(arriving);
            whole->sequence = frame.head.value;
            // No more formats go unread than a clipboard can list, whatever the count says.
            whole->unreadable +=
                static_cast<int>(std::min<std::uint32_t>(frame.head.count, kMaxSnapshotRecords));
            whole->whole = true;
            whole->grown_kb = frame.head.private_kb;
            return true;
        case FrameKind::kClipboardBusy:
            return true;
    }
    return false;
}

SnapshotResult TakeArrived(ArrivingSnapshot& arriving) {
    SnapshotResult arrived;
    if (arriving.formats_known) arrived = std::move(arriving.result);
    arriving = {};
    return arrived;
}

}  // namespace nimbara
