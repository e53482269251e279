#include "history/clip_reader.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "history/little_endian.h"
#include "history/clip_snapshots.h"
#include "platform/clipboard.h"
#include "platform/handles.h"

namespace nimbara {

namespace {

// How long the receiving thread waits, once the reader's output has ended, for the process
// to end too and tell its exit code. It is ending already: its pipe closes as it goes.
constexpr DWORD kExitWaitMs = 5000;

using Mailbox = ClipReaderProcess::Mailbox;

// What one receiving thread owns: one reader's output and process, and the mailbox it fills.
struct Receiver {
    UniqueKernelHandle output;
    UniqueKernelHandle process;
    HWND window;
    std::shared_ptr<Mailbox> mailbox;
    std::uint32_t generation;
};

enum class Stream : std::uint8_t { kGoesOn, kEnded, kMisbehaved };

// Puts news into the mailbox when it is of the reader of now, and rings the window.
void Deliver(const Receiver& receiver, SnapshotNews news) {
    {
        const Lock::Hold hold(receiver.mailbox->lock);
        if (receiver.mailbox->generation != receiver.generation) return;
        receiver.mailbox->news.push_back(std::move(news));
    }
    ::PostMessageW(receiver.window, kMsgSnapshotRead, 0, 0);
}

// Skips bytes that this process has no memory for, so that the next frame is read whole.
bool Skip(HANDLE pipe, std::uint64_t bytes) {
    std::uint8_t chunk[4096];
    while (bytes > 0) {
        const auto n = static_cast<std::size_t>(bytes < sizeof(chunk) ? bytes : sizeof(chunk));
        if (!ReadAll(pipe, chunk, n)) return false;
        bytes -= n;
    }
    return true;
}

Stream ReceiveFormats(const Receiver& r, const FrameHead& head) {
    std::vector<std::uint8_t> bytes(std::size_t{head.count} * 2);
    if (!ReadAll(r.output.get(), bytes.data(), bytes.size())) return Stream::kEnded;
    std::vector<std::uint16_t> formats(head.count);
    for (std::size_t i = 0; i < formats.size(); ++i)
        formats[i] = ReadLittleEndian<std::uint16_t>(std::span<const std::uint8_t>(bytes), i * 2);
    ClipSlot slot = NumbersOnly(formats);
    const Lock::Hold hold(r.mailbox->lock);
    if (r.mailbox->generation != r.generation) return Stream::kGoesOn;
    r.mailbox->arriving = SnapshotResult{head.value, 0, std::move(slot)};
    r.mailbox->formats_known = true;
    return Stream::kGoesOn;
}

Stream ReceiveRecord(const Receiver& r, const FrameHead& head) {
    RecordHeadBytes record_bytes;
    if (!ReadAll(r.output.get(), record_bytes.data(), record_bytes.size())) return Stream::kEnded;
    const std::optional<RecordHead> record = DecodeRecordHead(record_bytes);
    if (!record) return Stream::kMisbehaved;
    ClipFormatRecord kept{record->format, record->encoding, {}};
    bool unreadable = false;
    try {
        kept.data = ByteBuffer(static_cast<std::size_t>(record->bytes));
    } catch (const std::bad_alloc&) {
        // Kept as its number: no memory here for its bytes.
        unreadable = true;
        kept.encoding = ClipEncoding::kUnrestorable;
        if (!Skip(r.output.get(), record->bytes)) return Stream::kEnded;
    }
    // In pieces, each counted as it comes: a large format is not taken for a hung owner. The
    // last is counted with the record taken.
    constexpr std::size_t kPiece = 1u << 20;
    std::size_t last = 0;
    for (std::size_t at = 0; at < kept.data.size(); at += last) {
        if (last) {
            const Lock::Hold hold(r.mailbox->lock);
            r.mailbox->bytes_arrived += last;
        }
        last = std::min(kPiece, kept.data.size() - at);
        if (!ReadAll(r.output.get(), kept.data.data() + at, last)) return Stream::kEnded;
    }
    const Lock::Hold hold(r.mailbox->lock);
    r.mailbox->bytes_arrived += last;
    if (r.mailbox->generation != r.generation) return Stream::kGoesOn;
    SnapshotResult& arriving = r.mailbox->arriving;
    if (!r.mailbox->formats_known) return Stream::kMisbehaved;
    if (unreadable) {
        // Stays as its number: only a format of the list at its place is counted.
        if (head.value >= arriving.slot.size() || arriving.slot[head.value].format != kept.format)
            return Stream::kMisbehaved;
        ++arriving.unreadable;
        return Stream::kGoesOn;
    }
    return TakeRecord(arriving.slot, head.value, std::move(kept)) ? Stream::kGoesOn
                                                                  : Stream::kMisbehaved;
}

Stream ReceiveEnd(const Receiver& r, const FrameHead& head) {
    SnapshotNews news{SnapshotNews::Kind::kTaken};
    {
        const Lock::Hold hold(r.mailbox->lock);
        if (r.mailbox->generation != r.generation) return Stream::kGoesOn;
        news.result = std::exchange(r.mailbox->arriving, {});
        r.mailbox->formats_known = false;
    }
    news.result.sequence = head.value;
    news.result.unreadable += static_cast<int>(head.count);
    news.result.whole = true;
    news.result.grown_kb = head.private_kb;
    Deliver(r, std::move(news));
    return Stream::kGoesOn;
}

// One frame off the pipe.
Stream Receive(const Receiver& r) {
    FrameHeadBytes head_bytes;
    if (!ReadAll(r.output.get(), head_bytes.data(), head_bytes.size())) return Stream::kEnded;
    {
        const Lock::Hold hold(r.mailbox->lock);
        if (r.mailbox->generation == r.generation) r.mailbox->began = true;
    }
    const std::optional<FrameHead> head = DecodeFrameHead(head_bytes);
    if (!head) return Stream::kMisbehaved;
    switch (head->kind) {
        case FrameKind::kFormats:
            return ReceiveFormats(r, *head);
        case FrameKind::kRecord:
            return ReceiveRecord(r, *head);
        case FrameKind::kEnd:
            return ReceiveEnd(r, *head);
        case FrameKind::kClipboardBusy:
            Deliver(r, {SnapshotNews::Kind::kClipboardBusy});
            return Stream::kGoesOn;
    }
    return Stream::kMisbehaved;
}

void ReceiveSnapshots(const Receiver& receiver) {
    Stream stream = Stream::kGoesOn;
    while (stream == Stream::kGoesOn) {
        try {
            stream = Receive(receiver);
        } catch (...) {
            // No memory even for a list of formats: given up like a reader that broke.
            stream = Stream::kMisbehaved;
        }
    }
    // A reader that wrote what it never writes was made to misbehave by what it read.
    SnapshotNews news{SnapshotNews::Kind::kReaderEnded};
    news.end = stream == Stream::kMisbehaved
                   ? ReaderEnd::kCrashed
                   : ClassifyReaderExit(ExitCodeOnceEnded(receiver.process.get(), kExitWaitMs));
    {
        const Lock::Hold hold(receiver.mailbox->lock);
        if (receiver.mailbox->generation != receiver.generation) return;
        news.result = std::exchange(receiver.mailbox->arriving, {});
        news.began = receiver.mailbox->began;
        receiver.mailbox->formats_known = false;
    }
    Deliver(receiver, std::move(news));
}

}  // namespace

ClipReaderProcess::ClipReaderProcess(HWND window, Launch launch, DWORD join_wait_ms)
    : window_(window), launch_(std::move(launch)), join_wait_ms_(join_wait_ms) {
    if (!launch_) launch_ = [] { return HelperProcess::Start(kClipReaderArgument); };
}

bool ClipReaderProcess::Begin() {
    // A reader that has ended since its last snapshot is replaced once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!helper_ && !StartReader()) return false;
        {
            const Lock::Hold hold(mailbox_->lock);
            mailbox_->bytes_arrived = 0;
        }
        const std::uint32_t request = 1;
        if (helper_.Send(&request, sizeof(request))) return true;
        EndReader();
    }
    return false;
}

bool ClipReaderProcess::StartReader() {
    // The thread of a reader ended before is done by now, or is let go.
    (void)receiving_.Join(join_wait_ms_);
    helper_ = launch_();
    if (!helper_) return false;
    ++starts_;
    snapshots_ = 0;
    std::uint32_t generation = 0;
    {
        const Lock::Hold hold(mailbox_->lock);
        generation = ++mailbox_->generation;
        mailbox_->news.clear();
        mailbox_->formats_known = false;
        mailbox_->began = false;
    }
    auto receiver = std::make_shared<Receiver>(
        Receiver{helper_.TakeOutput(), helper_.ProcessToWaitFor(), window_, mailbox_, generation});
    // Ends at the end of the reader's output; what it shares lives as long as it.
    receiving_ = OwnedThread::Start([receiver] { ReceiveSnapshots(*receiver); });
    if (!receiving_) {
        EndReader();
        return false;
    }
    return true;
}

void ClipReaderProcess::EndReader() noexcept {
    helper_.End();
    // Its output broken, its thread ends.
    (void)receiving_.Join(join_wait_ms_);
    const Lock::Hold hold(mailbox_->lock);
    // What its receiving thread still has is of no use now.
    ++mailbox_->generation;
    mailbox_->news.clear();
    mailbox_->formats_known = false;
    mailbox_->arriving = {};
}

std::optional<SnapshotNews> ClipReaderProcess::Take() {
    std::optional<SnapshotNews> news;
    {
        const Lock::Hold hold(mailbox_->lock);
        if (mailbox_->news.empty()) return news;
        news = std::move(mailbox_->news.front());
        mailbox_->news.pop_front();
    }
    if (news->kind == SnapshotNews::Kind::kReaderEnded) {
        // The next snapshot starts a new one.
        helper_.End();
    } else if (news->kind == SnapshotNews::Kind::kTaken &&
               StartReaderAfresh(++snapshots_, news->result.grown_kb)) {
        // Between snapshots: what the system's clipboard code kept in it goes with it.
        EndReader();
        (void)StartReader();
    }
    return news;
}

std::uint64_t ClipReaderProcess::BytesArrived() {
    const Lock::Hold hold(mailbox_->lock);
    return mailbox_->bytes_arrived;
}

SnapshotResult ClipReaderProcess::Abandon() noexcept {
    // First of all: the clipboard is free, and the reader writes nothing more; then its
    // thread, whose pipe that broke, has delivered what it had and ends.
    helper_.End();
    (void)receiving_.Join(join_wait_ms_);
    SnapshotResult kept;
    const Lock::Hold hold(mailbox_->lock);
    for (SnapshotNews& news : mailbox_->news) {
        if (news.kind == SnapshotNews::Kind::kTaken ||
            (news.kind == SnapshotNews::Kind::kReaderEnded && !kept.whole))
            kept = std::move(news.result);
    }
    if (!kept.whole && mailbox_->formats_known) kept = std::move(mailbox_->arriving);
    ++mailbox_->generation;
    mailbox_->news.clear();
    mailbox_->formats_known = false;
    mailbox_->arriving = {};
    return kept;
}

void FrameWriter::Formats(DWORD sequence, const std::vector<std::uint16_t>& formats) {
    Head({FrameKind::kFormats, sequence, static_cast<std::uint32_t>(formats.size())});
    std::vector<std::uint8_t> bytes(formats.size() * 2);
    for (std::size_t i = 0; i < formats.size(); ++i)
        WriteLittleEndian(std::span<std::uint8_t>(bytes), i * 2, formats[i]);
    Write(bytes.data(), bytes.size());
}

void FrameWriter::Record(std::size_t position, const ClipFormatRecord& record) {
    Head({FrameKind::kRecord, static_cast<std::uint32_t>(position)});
    const RecordHeadBytes head =
        EncodeRecordHead({record.format, record.encoding, record.data.size()});
    Write(head.data(), head.size());
    Write(record.data.data(), record.data.size());
}

void FrameWriter::Head(const FrameHead& head) {
    const FrameHeadBytes bytes = EncodeFrameHead(head);
    Write(bytes.data(), bytes.size());
}

void FrameWriter::Write(const void* bytes, std::size_t size) {
    if (!WriteAll(out_, bytes, size)) ::ExitProcess(0);
}

}  // namespace nimbara
