#include "history/clip_reader.h"

#include <exception>
#include <utility>
#include <vector>

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

// Puts news into the mailbox when it is of the reader of now, and rings the window.
void Deliver(const Receiver& receiver, SnapshotNews news) {
    {
        const Lock::Hold hold(receiver.mailbox->lock);
        if (receiver.mailbox->generation != receiver.generation) return;
        receiver.mailbox->news.push_back(std::move(news));
    }
    ::PostMessageW(receiver.window, kMsgSnapshotRead, 0, 0);
}

// The reader's output as the decoder reads it: each piece of a record's bytes counted as it
// comes, and the first bytes noted as the reader having begun.
class PipeInput final : public WireInput {
public:
    explicit PipeInput(const Receiver& receiver) : r_(receiver) {}

    bool Read(std::span<std::uint8_t> bytes) override {
        if (!ReadAll(r_.output.get(), bytes.data(), bytes.size())) return false;
        if (!began_) {
            began_ = true;
            const Lock::Hold hold(r_.mailbox->lock);
            if (r_.mailbox->generation == r_.generation) r_.mailbox->began = true;
        }
        return true;
    }

    void Counted(std::size_t bytes) override {
        const Lock::Hold hold(r_.mailbox->lock);
        r_.mailbox->bytes_arrived += bytes;
    }

private:
    const Receiver& r_;
    bool began_ = false;
};

// One frame off the pipe, taken into the snapshot arriving.
WireStream Receive(const Receiver& r, PipeInput& input) {
    WireFrame frame;
    if (const WireStream read = ReadFrame(input, frame); read != WireStream::kGoesOn) return read;
    const FrameKind kind = frame.head.kind;
    std::optional<SnapshotResult> whole;
    {
        const Lock::Hold hold(r.mailbox->lock);
        r.mailbox->bytes_arrived += frame.uncounted;
        if (r.mailbox->generation != r.generation) return WireStream::kGoesOn;
        if (!TakeFrame(r.mailbox->arriving, std::move(frame), whole))
            return WireStream::kMisbehaved;
    }
    if (whole) Deliver(r, {SnapshotNews::Kind::kTaken, ReaderEnd::kEnded, std::move(*whole)});
    if (kind == FrameKind::kClipboardBusy) Deliver(r, {SnapshotNews::Kind::kClipboardBusy});
    return WireStream::kGoesOn;
}

void ReceiveSnapshots(const Receiver& receiver) {
    PipeInput input(receiver);
    WireStream stream = WireStream::kGoesOn;
    while (stream == WireStream::kGoesOn) {
        try {
            stream = Receive(receiver, input);
        } catch (...) {
            // No memory even for a list of formats: given up like a reader that broke.
            stream = WireStream::kMisbehaved;
        }
    }
    // A reader that wrote what it never writes was made to misbehave by what it read.
    SnapshotNews news{SnapshotNews::Kind::kReaderEnded};
    news.end = stream == WireStream::kMisbehaved
                   ? ReaderEnd::kCrashed
                   : ClassifyReaderExit(ExitCodeOnceEnded(receiver.process.get(), kExitWaitMs));
    {
        const Lock::Hold hold(receiver.mailbox->lock);
        if (receiver.mailbox->generation != receiver.generation) return;
        news.result = TakeArrived(receiver.mailbox->arriving);
        news.began = receiver.mailbox->began;
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
        mailbox_->arriving = {};
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
    const bool formats_known = mailbox_->arriving.formats_known;
    SnapshotResult arrived = TakeArrived(mailbox_->arriving);
    if (!kept.whole && formats_known) kept = std::move(arrived);
    ++mailbox_->generation;
    mailbox_->news.clear();
    return kept;
}

void FrameWriter::Formats(DWORD sequence, const std::vector<std::uint16_t>& formats) {
    const std::vector<std::uint8_t> bytes = EncodeFormatsFrame(sequence, formats);
    Write(bytes.data(), bytes.size());
}

void FrameWriter::Record(std::size_t position, const ClipFormatRecord& record) {
    const RecordFrameHeadBytes heads = EncodeRecordFrame(position, record);
    Write(heads.data(), heads.size());
    Write(record.data.data(), record.data.size());
}

void FrameWriter::Head(const FrameHead& head) {
    const FrameHeadBytes bytes = EncodeFrameHead(head);
    Write(bytes.data(), bytes.size());
}

void PipeFrameWriter::Write(const void* bytes, std::size_t size) {
    if (!WriteAll(out_, bytes, size)) ::ExitProcess(0);
}

SnapshotServer::SnapshotServer(FrameWriter& writer)
    : writer_(writer), start_kb_(PrivateKbOfThisProcess()) {}

void SnapshotServer::Serve(ClipSnapshots& snapshots) {
    unreadable_ = 0;
    FrameHead end{FrameKind::kEnd};
    try {
        (void)snapshots.Snapshot(&writer_);
        end.value = snapshots.last_sequence();
    } catch (const ClipboardBusyError&) {
        writer_.Head({FrameKind::kClipboardBusy});
        return;
    } catch (...) {
        // No memory even for the list: what was sent is kept, the rest reported.
        ++unreadable_;
        end.value = snapshots.CurrentSequence();
    }
    end.count = unreadable_;
    const std::uint32_t now_kb = PrivateKbOfThisProcess();
    end.private_kb = now_kb > start_kb_ ? now_kb - start_kb_ : 0;
    writer_.Head(end);
}

}  // namespace nimbara
