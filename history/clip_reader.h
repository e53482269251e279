// The clipboard reader: a process of its own (this executable started again with
// kClipReaderArgument) that opens the clipboard for a hidden window of its own, reads every
// format, waiting as long as the owner takes to render, and sends the finished snapshot
// back over a pipe. A thread blocked in the system's render wait cannot be stopped; a
// process can be ended, which frees the clipboard on every platform, so the program's
// windows never wait on another program's owner and a hung owner holds nothing for long.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "history/slot_ring.h"
#include "history/snapshot_wire.h"
#include "platform/helper_process.h"

namespace nimbara {

// The whole command line after the executable's name that makes it the reader.
constexpr wchar_t kClipReaderArgument[] = L"/clip-reader";
// Posted to the window by the thread that receives the reader's snapshots: wParam is the
// reader's generation, lParam a SnapshotResult* or NULL when the reader has ended.
constexpr UINT kMsgSnapshotRead = WM_APP + 40;
// Posted by the reader to the window during a snapshot: wParam is the request's number, lParam
// the megabytes copied so far, or ClipStore::kClipboardClosed once it has closed the clipboard.
constexpr UINT kMsgSnapshotProgress = WM_APP + 42;

// One finished snapshot, handed to the window thread whole.
struct SnapshotResult {
    SnapshotStatus status = SnapshotStatus::kTaken;
    DWORD sequence = 0;
    int unreadable = 0;
    ClipSlot slot;
};

// Where the capture gets its snapshots: begun on the window thread, which is told of the
// result later, one snapshot at a time.
class SnapshotSource {
public:
    virtual ~SnapshotSource() = default;
    // Asks for a snapshot of the clipboard; false when none can be taken at all.
    [[nodiscard]] virtual bool Begin() = 0;
    // Gives the snapshot under way up: the clipboard is free at once, and nothing of that
    // snapshot arrives.
    virtual void Abandon() noexcept = 0;
};

// The reader process as the program's window sees it. Started at the first snapshot and
// again after it has been ended.
class ClipReaderProcess final : public SnapshotSource {
public:
    explicit ClipReaderProcess(HWND window) : window_(window) {}
    ClipReaderProcess(const ClipReaderProcess&) = delete;
    ClipReaderProcess& operator=(const ClipReaderProcess&) = delete;
    ~ClipReaderProcess() override { Abandon(); }

    [[nodiscard]] bool Begin() override;
    void Abandon() noexcept override;

    struct Delivery {
        bool current = false;                    // from the reader of now, not one ended before
        std::unique_ptr<SnapshotResult> result;  // none: the reader ended without one
    };
    // Takes what kMsgSnapshotRead carries.
    [[nodiscard]] Delivery Take(WPARAM wp, LPARAM lp);
    // Whether kMsgSnapshotProgress with this wParam is of the snapshot under way.
    [[nodiscard]] bool IsCurrentRequest(WPARAM wp) const noexcept { return wp == request_; }

private:
    [[nodiscard]] bool StartReader();

    HWND window_;
    HelperProcess helper_;
    std::uint32_t generation_ = 0;
    std::uint32_t request_ = 0;
};

// The reader's side: serves snapshot requests from its input until that ends.
int RunClipReader();

}  // namespace nimbara
