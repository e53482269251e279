#include "history/snapshot_wire.h"

#include <limits>

namespace nimbara {

namespace {

constexpr std::uint32_t kMark = 0x4E42534E;  // "NSBN"

template <typename T>
void Put(std::uint8_t* at, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

template <typename T>
T Get(const std::uint8_t* at) {
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(T(at[i]) << (8 * i));
    return value;
}

}  // namespace

SnapshotHeadBytes EncodeSnapshotHead(const SnapshotHead& head) noexcept {
    SnapshotHeadBytes bytes{};
    Put(&bytes[0], kMark);
    Put(&bytes[4], static_cast<std::uint32_t>(head.status));
    Put(&bytes[8], head.sequence);
    Put(&bytes[12], head.unreadable);
    Put(&bytes[16], head.records);
    return bytes;
}

RecordHeadBytes EncodeRecordHead(const RecordHead& head) noexcept {
    RecordHeadBytes bytes{};
    Put(&bytes[0], head.format);
    bytes[2] = static_cast<std::uint8_t>(head.encoding);
    Put(&bytes[4], head.bytes);
    return bytes;
}

std::optional<SnapshotHead> DecodeSnapshotHead(
    std::span<const std::uint8_t, kSnapshotHeadBytes> bytes) noexcept {
    if (Get<std::uint32_t>(&bytes[0]) != kMark) return std::nullopt;
    const auto status = Get<std::uint32_t>(&bytes[4]);
    if (status > static_cast<std::uint32_t>(SnapshotStatus::kClipboardBusy)) return std::nullopt;
    SnapshotHead head{static_cast<SnapshotStatus>(status), Get<std::uint32_t>(&bytes[8]),
                      Get<std::uint32_t>(&bytes[12]), Get<std::uint32_t>(&bytes[16])};
    if (head.records > kMaxSnapshotRecords) return std::nullopt;
    if (head.status != SnapshotStatus::kTaken && head.records != 0) return std::nullopt;
    return head;
}

std::optional<RecordHead> DecodeRecordHead(
    std::span<const std::uint8_t, kRecordHeadBytes> bytes) noexcept {
    if (bytes[2] > static_cast<std::uint8_t>(ClipEncoding::kUnrestorable) || bytes[3] != 0)
        return std::nullopt;
    RecordHead head{Get<std::uint16_t>(&bytes[0]), static_cast<ClipEncoding>(bytes[2]),
                    Get<std::uint64_t>(&bytes[4])};
    if (head.bytes > std::numeric_limits<std::size_t>::max()) return std::nullopt;
    // A number-only record carries no bytes.
    if (head.encoding == ClipEncoding::kUnrestorable && head.bytes != 0) return std::nullopt;
    return head;
}

}  // namespace nimbara
