// The capture and the paste-back as the main window composes them, for the tests of each:
// the real clipboard, where other programs interfere; the tiles a record of what they were
// told; the reader process a stand-in in this process; input, time and the window's timers
// the test's.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fake_clipboard.h"
#include "fake_input.h"
#include "fake_notices.h"
#include "fake_timers.h"
#include "hidden_window.h"
#include "history/capture_rules.h"
#include "history/clip_reader.h"
#include "history/clip_watcher.h"
#include "history/paste_back.h"
#include "history/window_messages.h"
#include "platform/clip_objects.h"
#include "platform/handles.h"

namespace nimbara::testing {

using Told = std::vector<std::wstring>;

struct FakeView final : HistoryView {
    Told told;
    void ResetForCapture() override { told.push_back(L"reset"); }
    void MarkNewest(int slot) override { told.push_back(L"newest " + std::to_wstring(slot)); }
    void SetPreviewText(int slot, const std::wstring& text) override {
        told.push_back(std::to_wstring(slot) + L": " + text);
    }
    void SetPicture(int slot, TilePicture) override {
        told.push_back(std::to_wstring(slot) + L": picture");
    }
    void MarkPasted(int slot) override { told.push_back(L"pasted " + std::to_wstring(slot)); }
};

inline void PutText(HWND owner, const std::string& text) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    UniqueHGlobal block =
        MakeGlobalBlock({reinterpret_cast<const std::uint8_t*>(text.c_str()), text.size() + 1});
    if (::SetClipboardData(CF_TEXT, block.get())) (void)block.release();
    ::CloseClipboard();
}

inline std::string ClipboardText(HWND owner) {
    std::string text;
    if (!::OpenClipboard(owner)) return text;
    if (HANDLE h = ::GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(h))) {
            text = p;
            ::GlobalUnlock(h);
        }
    }
    ::CloseClipboard();
    return text;
}

// The reader's frames, kept in memory.
struct MemoryFrameWriter final : FrameWriter {
    std::vector<std::uint8_t> bytes;
    void Write(const void* data, std::size_t size) override {
        const auto* from = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), from, from + size);
    }
};

// The reader process as the capture sees it: each snapshot served in this process as the
// reader serves it, its frames read back as the program reads its pipe, and handed over at
// once or held back until the test delivers it (or the budget gives it up).
struct FakeReader final : SnapshotSource {
    ClipSnapshots* snapshots = nullptr;
    ClipWatcher* watcher = nullptr;
    bool hold = false;
    bool start = true;  // a reader can be started
    int begun = 0, abandoned = 0;
    std::uint64_t bytes = 0;
    SnapshotResult arrived;            // what Abandon returns
    std::optional<SnapshotNews> news;  // rung for, not yet taken
    MemoryFrameWriter frames;
    SnapshotServer server{frames};

    bool Begin() override {
        ++begun;
        if (!start) return false;
        if (!hold) Deliver();
        return true;
    }
    std::optional<SnapshotNews> Take() override { return std::exchange(news, std::nullopt); }
    std::uint64_t BytesArrived() override { return bytes; }
    SnapshotResult Abandon() noexcept override {
        ++abandoned;
        return std::exchange(arrived, {});
    }
    void Ring(SnapshotNews n) {
        news = std::move(n);
        watcher->SnapshotsWaiting();
    }
    void Deliver() {
        frames.bytes.clear();
        server.Serve(*snapshots);
        BytesInput input(frames.bytes);
        ArrivingSnapshot arriving;
        SnapshotNews n;
        for (WireFrame frame; ReadFrame(input, frame) == WireStream::kGoesOn; frame = {}) {
            if (frame.head.kind == FrameKind::kClipboardBusy)
                n.kind = SnapshotNews::Kind::kClipboardBusy;
            std::optional<SnapshotResult> whole;
            EXPECT_TRUE(TakeFrame(arriving, std::move(frame), whole)) << "a frame it never sends";
            if (whole) n.result = std::move(*whole);
        }
        Ring(std::move(n));
    }
};

class CaptureFixture : public ::testing::Test {
protected:
    CaptureFixture() {
        reader_.snapshots = &reader_snapshots_;
        reader_.watcher = &watcher_;
        watcher_.report_read_failure = [this] { ++reports_; };
        watcher_.on_capture_over = [this] { paste_.CaptureOver(); };
        // Routed as the main window routes them.
        timers_.on_tick = [this](UINT_PTR id) {
            (void)RouteHistoryMessage(watcher_, paste_, WM_TIMER, id);
        };
    }

    UniqueHwnd main_ = HiddenWindow();
    FakeClipboard clipboard_;
    ClipSnapshots snapshots_{clipboard_, main_.get(), [] {}};
    FakeReader reader_;
    ClipSnapshots reader_snapshots_{clipboard_, main_.get(),
                                    [this] { reader_.server.CountUnreadable(); }};
    SlotRing ring_;
    FakeView view_;
    FakeClock clock_;
    FakeTimers timers_{clock_};
    FakeNotices notices_;
    ClipWatcher watcher_{main_.get(), snapshots_, ring_, view_, reader_, timers_, clock_, notices_};
    int reports_ = 0;
    FakeInput input_;
    PasteBack paste_{main_.get(), snapshots_, ring_, view_, watcher_, timers_, input_, clock_};
};

}  // namespace nimbara::testing
