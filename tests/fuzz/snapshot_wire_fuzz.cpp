// Arbitrary bytes as what the clipboard reader process writes to the program: its frame heads
// and record heads, which a reader made to misbehave by what it read can fill with anything.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"
#include "history/snapshot_wire.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    nimbara::FrameHeadBytes frame{};
    nimbara::RecordHeadBytes record{};
    std::memcpy(frame.data(), data, std::min(size, frame.size()));
    if (size > frame.size())
        std::memcpy(record.data(), data + frame.size(),
                    std::min(size - frame.size(), record.size()));

    // What is taken is within what the program writes, and is written back byte for byte.
    if (const auto head = nimbara::DecodeFrameHead(frame)) {
        NIMBARA_FUZZ_CHECK(head->kind <= nimbara::FrameKind::kClipboardBusy);
        if (head->kind == nimbara::FrameKind::kFormats)
            NIMBARA_FUZZ_CHECK(head->count <= nimbara::kMaxSnapshotRecords);
        NIMBARA_FUZZ_CHECK(nimbara::EncodeFrameHead(*head) == frame);
    }
    if (const auto head = nimbara::DecodeRecordHead(record)) {
        NIMBARA_FUZZ_CHECK(head->encoding <= nimbara::ClipEncoding::kUnrestorable);
        NIMBARA_FUZZ_CHECK(head->bytes <= SIZE_MAX);
        const auto again = nimbara::DecodeRecordHead(nimbara::EncodeRecordHead(*head));
        NIMBARA_FUZZ_CHECK(again && again->format == head->format &&
                           again->encoding == head->encoding && again->bytes == head->bytes);
    }
    return 0;
}
