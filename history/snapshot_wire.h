// How a snapshot taken by the clipboard reader process reaches the program over a pipe, as
// it is read: a frame naming the formats, then each format's record as soon as it has been
// read (a frame, then its bytes), then a frame that ends the snapshot. What has arrived is
// the program's even when the reader is ended in the middle. The reader reads whatever
// other programs put on the clipboard and may have been made to misbehave, so every field
// is checked as it arrives. Both ends are here: the reader encodes its frames with these
// functions, and the program reads them back with ReadFrame and builds the snapshot with
// TakeFrame, over a byte source of its own (the pipe; bytes in memory in the tests).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "history/slot_ring.h"
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

// One snapshot, as far as it arrived.
struct SnapshotResult {
    std::uint32_t sequence = 0;  // the clipboard's sequence number that the reader read
    int unreadable = 0;
    ClipSlot slot;  // what did not arrive is kept as its format number only
    bool whole = false;
    std::uint32_t grown_kb = 0;  // how much the reader had grown since its start
};

// The reader's frames, as it writes them. A record's bytes follow its heads as they are.
[[nodiscard]] std::vector<std::uint8_t> EncodeFormatsFrame(
    std::uint32_t sequence, const std::vector<std::uint16_t>& formats);
using RecordFrameHeadBytes = std::array<std::uint8_t, kFrameHeadBytes + kRecordHeadBytes>;
[[nodiscard]] RecordFrameHeadBytes EncodeRecordFrame(std::size_t position,
                                                     const ClipFormatRecord& record) noexcept;

// Where the program reads the reader's frames from.
class WireInput {
public:
    virtual ~WireInput() = default;
    // Fills `bytes` whole; false when the stream ended first.
    [[nodiscard]] virtual bool Read(std::span<std::uint8_t> bytes) = 0;
    // A record's bytes come in pieces, each told here as it has arrived, all but the last
    // (WireFrame::uncounted): a large format is not taken for a hung owner.
    virtual void Counted(std::size_t bytes) { (void)bytes; }
};

// Bytes already in memory, as a pipe would deliver them.
class BytesInput final : public WireInput {
public:
    explicit BytesInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    [[nodiscard]] bool Read(std::span<std::uint8_t> bytes) override;
    void Counted(std::size_t bytes) override { counted_ += bytes; }
    [[nodiscard]] std::size_t counted() const noexcept { return counted_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    std::size_t counted_ = 0;
};

// One frame, read whole.
struct WireFrame {
    FrameHead head;
    std::vector<std::uint16_t> formats;  // kFormats
    // kRecord: the format's record; its bytes were skipped (no memory here for them) when
    // `no_memory`, and it stays then a number only.
    ClipFormatRecord record;
    bool no_memory = false;
    std::size_t uncounted = 0;  // kRecord: its last piece, counted with the record taken
};

enum class WireStream : std::uint8_t {
    kGoesOn,
    kEnded,       // the stream ended (the reader ended, or was ended)
    kMisbehaved,  // the reader wrote what it never writes
};

// Reads the next frame whole. Throws std::bad_alloc only when even a list of formats finds
// no memory; a record's bytes that find none are skipped.
[[nodiscard]] WireStream ReadFrame(WireInput& input, WireFrame& frame);

// The snapshot that the frames build.
struct ArrivingSnapshot {
    SnapshotResult result;
    bool formats_known = false;  // its list of formats has arrived
};

// Takes a frame into the snapshot arriving; false when it is one the reader never sends
// there (a record of no listed format, or before the list). A kEnd frame leaves the
// snapshot, whole, in `whole`, and the next one starts anew.
[[nodiscard]] bool TakeFrame(ArrivingSnapshot& arriving, WireFrame&& frame,
                             std::optional<SnapshotResult>& whole);
// What has arrived of the snapshot under way (nothing before its list), taken out.
[[nodiscard]] SnapshotResult TakeArrived(ArrivingSnapshot& arriving);

}  // namespace nimbara
