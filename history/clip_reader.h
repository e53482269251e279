// The clipboard reader: a process of its own (this executable started again with
// kClipReaderArgument) that opens the clipboard for a hidden window of its own, reads every
// format, waiting as long as the owner takes to render, and sends each record over a pipe as
// soon as it has read it. A thread blocked in the system's render wait cannot be stopped; a
// process can be ended, which frees the clipboard on every platform, so the program's
// windows never wait on another program's owner, a hung owner holds nothing for long, and
// what was read before is the program's already.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "history/capture_rules.h"
#include "history/clip_snapshots.h"
#include "history/slot_ring.h"
#include "history/snapshot_wire.h"
#include "history/window_messages.h"
#include "platform/helper_process.h"
#include "platform/lock.h"
#include "platform/thread.h"

namespace nimbara {

// The whole command line after the executable's name that makes it the reader.
constexpr wchar_t kClipReaderArgument[] = L"/clip-reader";

// What the capture hears of the snapshot it asked for.
struct SnapshotNews {
    enum class Kind : std::uint8_t {
        kTaken,          // `result` is whole
        kClipboardBusy,  // another program held the clipboard open
        kReaderEnded,    // before the snapshot was whole: `end` says how; `result` what arrived
    };
    Kind kind = Kind::kTaken;
    ReaderEnd end = ReaderEnd::kEnded;
    SnapshotResult result;
    bool began = true;  // kReaderEnded: it had begun the snapshot (it sent something)
};

// Where the capture gets its snapshots: begun on the window thread, one at a time.
class SnapshotSource {
public:
    virtual ~SnapshotSource() = default;
    // Asks for a snapshot of the clipboard; false when no reader can be started at all.
    [[nodiscard]] virtual bool Begin() = 0;
    // The next news of the snapshot asked for, none when there is none (yet).
    [[nodiscard]] virtual std::optional<SnapshotNews> Take() = 0;
    // Bytes of the snapshot under way that have arrived: the budget grows with them.
    [[nodiscard]] virtual std::uint64_t BytesArrived() = 0;
    // Gives the snapshot under way up: the clipboard is free at once, and what had arrived
    // of it is returned; nothing more of it comes.
    virtual SnapshotResult Abandon() noexcept = 0;
};

// The reader process as the program's window sees it. Started at the first snapshot, again
// after it has ended, and afresh between snapshots once StartReaderAfresh says so.
// Threads: this object lives on the main window's thread, and holds one receiving thread
// for each reader it starts (OwnedThread `receiving_`). That thread reads the reader's pipe,
// puts what arrives into a mailbox this object shares with it and rings the window's
// kMsgSnapshotRead; only the window thread takes from the mailbox. It ends at the end of the
// reader's output: ending the reader breaks the pipe, and the thread is then joined (within
// OwnedThread::kJoinWaitMs) before another reader starts and before this object goes.
class ClipReaderProcess final : public SnapshotSource {
public:
    using Launch = std::function<HelperProcess()>;
    // `launch` starts a reader; the program's starts this executable as one. `join_wait_ms`
    // bounds the wait for a receiving thread once its reader is ended (a stand-in whose pipe
    // no ending breaks is let go at once).
    explicit ClipReaderProcess(HWND window, Launch launch = {},
                               DWORD join_wait_ms = OwnedThread::kJoinWaitMs);
    ClipReaderProcess(const ClipReaderProcess&) = delete;
    ClipReaderProcess& operator=(const ClipReaderProcess&) = delete;
    ~ClipReaderProcess() override { (void)Abandon(); }

    [[nodiscard]] bool Begin() override;
    [[nodiscard]] std::optional<SnapshotNews> Take() override;
    [[nodiscard]] std::uint64_t BytesArrived() override;
    SnapshotResult Abandon() noexcept override;

    // Readers started so far.
    [[nodiscard]] int starts() const noexcept { return starts_; }

    // Shared by this object and each receiving thread, under its lock.
    struct Mailbox {
        Lock lock;
        std::uint32_t generation = 0;  // of the reader of now; news of others is dropped
        std::deque<SnapshotNews> news;
        bool began = false;  // the reader of now has sent something
        ArrivingSnapshot arriving;
        std::uint64_t bytes_arrived = 0;
    };

private:
    [[nodiscard]] bool StartReader();
    void EndReader() noexcept;

    HWND window_;
    Launch launch_;
    DWORD join_wait_ms_;
    std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
    HelperProcess helper_;
    OwnedThread receiving_;        // of the reader of now, or of one ended and not yet joined
    std::uint32_t snapshots_ = 0;  // taken by the reader of now
    int starts_ = 0;
};

// The reader's end of the wire: each frame of a snapshot written as it is read.
class FrameWriter : public ClipSnapshots::Sink {
public:
    void Formats(DWORD sequence, const std::vector<std::uint16_t>& formats) override;
    void Record(std::size_t position, const ClipFormatRecord& record) override;
    void Head(const FrameHead& head);

protected:
    virtual void Write(const void* bytes, std::size_t size) = 0;
};

// The reader's pipe. The program has gone, or has ended this reader, when a write fails: the
// reader ends then.
class PipeFrameWriter final : public FrameWriter {
public:
    explicit PipeFrameWriter(HANDLE out) : out_(out) {}

private:
    void Write(const void* bytes, std::size_t size) override;
    HANDLE out_;
};

// What the reader does for each request: a snapshot, its frames written as they are read,
// then its end frame with what could not be read and how much the reader has grown; or the
// one frame that says another program holds the clipboard open.
class SnapshotServer {
public:
    explicit SnapshotServer(FrameWriter& writer);
    // The snapshots' report of a format they could not read (ClipSnapshots' callback).
    void CountUnreadable() noexcept { ++unreadable_; }
    void Serve(ClipSnapshots& snapshots);

private:
    FrameWriter& writer_;
    std::uint32_t start_kb_;
    std::uint32_t unreadable_ = 0;
};

}  // namespace nimbara
