// Arbitrary bytes as what the clipboard reader process writes to the program: a reader made
// to misbehave by what it read can write anything. They are read frame by frame, as the
// program reads its pipe, and each snapshot they make whole is written again and read back.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "fuzz_check.h"
#include "history/snapshot_wire.h"

namespace nimbara {

// The slot bytes: past a few megabytes there is "no memory", as a 32-bit process soon has
// none for a block another program put on the clipboard.
constexpr std::size_t kMemoryForOneRecord = 3u << 19;

void* AllocateSlotBytes(std::size_t size) {
    if (size > kMemoryForOneRecord) throw std::bad_alloc();
    return ::operator new(size);
}

void FreeSlotBytes(void* bytes, std::size_t size) noexcept { ::operator delete(bytes, size); }

namespace {

// Reads frames until the stream ends or misbehaves; the snapshots made whole, in order.
std::vector<SnapshotResult> ReadAll(std::span<const std::uint8_t> bytes) {
    BytesInput input(bytes);
    ArrivingSnapshot arriving;
    std::vector<SnapshotResult> wholes;
    for (;;) {
        WireFrame frame;
        const std::size_t counted = input.counted();
        if (ReadFrame(input, frame) != WireStream::kGoesOn) break;
        if (frame.head.kind == FrameKind::kRecord)
            NIMBARA_FUZZ_CHECK(input.counted() - counted + frame.uncounted ==
                               frame.record.data.size());
        std::optional<SnapshotResult> whole;
        if (!TakeFrame(arriving, std::move(frame), whole)) break;
        if (whole) wholes.push_back(std::move(*whole));
    }
    const SnapshotResult arrived = TakeArrived(arriving);
    NIMBARA_FUZZ_CHECK(!arrived.whole);
    return wholes;
}

// A snapshot as the reader writes it: its list, the records that hold bytes, its end.
std::vector<std::uint8_t> Written(const SnapshotResult& snapshot) {
    std::vector<std::uint16_t> formats;
    for (const ClipFormatRecord& r : snapshot.slot) formats.push_back(r.format);
    std::vector<std::uint8_t> bytes = EncodeFormatsFrame(snapshot.sequence, formats);
    for (std::size_t i = 0; i < snapshot.slot.size(); ++i) {
        const ClipFormatRecord& r = snapshot.slot[i];
        if (r.encoding == ClipEncoding::kUnrestorable) continue;
        const RecordFrameHeadBytes heads = EncodeRecordFrame(i, r);
        bytes.insert(bytes.end(), heads.begin(), heads.end());
        bytes.insert(bytes.end(), r.data.bytes().begin(), r.data.bytes().end());
    }
    const FrameHeadBytes end =
        EncodeFrameHead({FrameKind::kEnd, snapshot.sequence, 0, snapshot.grown_kb});
    bytes.insert(bytes.end(), end.begin(), end.end());
    return bytes;
}

bool Same(const SnapshotResult& a, const SnapshotResult& b) {
    if (a.sequence != b.sequence || a.grown_kb != b.grown_kb || a.slot.size() != b.slot.size())
        return false;
    for (std::size_t i = 0; i < a.slot.size(); ++i) {
        const ClipFormatRecord &x = a.slot[i], &y = b.slot[i];
        if (x.format != y.format || x.encoding != y.encoding ||
            !std::ranges::equal(x.data.bytes(), y.data.bytes()))
            return false;
    }
    return true;
}

}  // namespace
}  // namespace nimbara

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nimbara;
    for (const SnapshotResult& snapshot : ReadAll({data, size})) {
        // Within what the program keeps: the listed formats, numbers only or their bytes.
        NIMBARA_FUZZ_CHECK(snapshot.whole && snapshot.slot.size() <= kMaxSnapshotRecords);
        NIMBARA_FUZZ_CHECK(snapshot.unreadable >= 0 &&
                           snapshot.unreadable <= 2 * static_cast<int>(kMaxSnapshotRecords));
        for (const ClipFormatRecord& r : snapshot.slot)
            NIMBARA_FUZZ_CHECK(r.encoding <= ClipEncoding::kUnrestorable &&
                               (r.encoding != ClipEncoding::kUnrestorable || r.data.empty()));
        // And what was taken, written again, reads back the same.
        const std::vector<SnapshotResult> again = ReadAll(Written(snapshot));
        NIMBARA_FUZZ_CHECK(again.size() == 1 && Same(again[0], snapshot) &&
                           again[0].unreadable == 0);
    }
    return 0;
}
