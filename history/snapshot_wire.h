// How a snapshot taken by the clipboard reader process reaches the program over a pipe, as
// it is read: a frame naming the formats, then each format's record as soon as it has been
// read (a frame, then its bytes), then a frame that ends the snapshot. What has arrived is
// the program's even when the reader is ended in the middle. The reader reads whatever
// other programs put on the clipboard and may have been made to misbehave, so every field
// is checked as it arrives.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/clip_encoding.h"

namespace nimbara {

enum class FrameKind : std::uint32_t {
    kFormats = 0,        // `count` format numbers follow, the clipboard's enumeration order
    kRecord = 1,         // the format at position `value`: a record head and its bytes follow
    kEnd = 2,            // the snapshot is whole; the clipboard is closed again
    kClipboardBusy = 3,  // another program held the clipboard open; nothing else follows
};

struct FrameHead {
    FrameKind kind = FrameKind::kEnd;
    // kFormats and kEnd: the clipboard's sequence number; kRecord: the position.
    std::uint32_t value = 0;
    // kFormats: how many formats; kEnd: how many could not be read.
    std::uint32_t count = 0;
    // kEnd: the reader's private memory in KB, by which it is started afresh.
    std::uint32_t private_kb = 0;
};

struct RecordHead {
    std::uint16_t format = 0;
    ClipEncoding encoding = ClipEncoding::kGlobal;
    std::uint64_t bytes = 0;
};

constexpr std::size_t kFrameHeadBytes = 20;
constexpr std::size_t kRecordHeadBytes = 12;
// No clipboard lists more formats than there are format numbers.
constexpr std::uint32_t kMaxSnapshotRecords = 0x10000;

using FrameHeadBytes = std::array<std::uint8_t, kFrameHeadBytes>;
using RecordHeadBytes = std::array<std::uint8_t, kRecordHeadBytes>;

[[nodiscard]] FrameHeadBytes EncodeFrameHead(const FrameHead& head) noexcept;
[[nodiscard]] RecordHeadBytes EncodeRecordHead(const RecordHead& head) noexcept;
// Nothing when the bytes are not a head this program writes: a wrong mark, an unknown kind
// or encoding, more formats than exist, more bytes than this process can count.
[[nodiscard]] std::optional<FrameHead> DecodeFrameHead(
    std::span<const std::uint8_t, kFrameHeadBytes> bytes) noexcept;
[[nodiscard]] std::optional<RecordHead> DecodeRecordHead(
    std::span<const std::uint8_t, kRecordHeadBytes> bytes) noexcept;

}  // namespace nimbara
