#include "history/snapshot_wire.h"

#include <limits>

#include "history/little_endian.h"

namespace nimbara {

namespace {
constexpr std::uint32_t kMark = 0x4E42534E;  // "NSBN"
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

}  // namespace nimbara
