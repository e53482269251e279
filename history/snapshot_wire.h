// How a snapshot taken by the clipboard reader process reaches the program over a pipe: a
// fixed head, then each record as a fixed head followed by its bytes. The reader reads
// whatever other programs put on the clipboard and may have been made to misbehave, so
// every field is checked as it arrives.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/clip_encoding.h"

namespace nimbara {

enum class SnapshotStatus : std::uint32_t {
    kTaken = 0,          // the records follow
    kClipboardBusy = 1,  // another program held the clipboard open; no records
};

struct SnapshotHead {
    SnapshotStatus status = SnapshotStatus::kTaken;
    std::uint32_t sequence = 0;    // the clipboard's sequence number the snapshot saw
    std::uint32_t unreadable = 0;  // formats whose bytes could not be read
    std::uint32_t records = 0;
};

struct RecordHead {
    std::uint16_t format = 0;
    ClipEncoding encoding = ClipEncoding::kGlobal;
    std::uint64_t bytes = 0;
};

constexpr std::size_t kSnapshotHeadBytes = 20;
constexpr std::size_t kRecordHeadBytes = 12;
// No clipboard lists more formats than there are format numbers.
constexpr std::uint32_t kMaxSnapshotRecords = 0x10000;

using SnapshotHeadBytes = std::array<std::uint8_t, kSnapshotHeadBytes>;
using RecordHeadBytes = std::array<std::uint8_t, kRecordHeadBytes>;

[[nodiscard]] SnapshotHeadBytes EncodeSnapshotHead(const SnapshotHead& head) noexcept;
[[nodiscard]] RecordHeadBytes EncodeRecordHead(const RecordHead& head) noexcept;
// Nothing when the bytes are not a head this program writes: a wrong mark, an unknown
// status or encoding, more records than formats exist, more bytes than this process can count.
[[nodiscard]] std::optional<SnapshotHead> DecodeSnapshotHead(
    std::span<const std::uint8_t, kSnapshotHeadBytes> bytes) noexcept;
[[nodiscard]] std::optional<RecordHead> DecodeRecordHead(
    std::span<const std::uint8_t, kRecordHeadBytes> bytes) noexcept;

}  // namespace nimbara
