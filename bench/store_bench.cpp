// The clipboard snapshots measured in-process: the snapshot of one large format against a
// plain copy of as many bytes, and the paste-back of a slot of twelve formats.
#include <cstdio>
#include <cstring>
#include <string>
#include <atomic>
#include <thread>

#include "bench_output.h"
#include "history/clip_reader.h"
#include "history/clip_watcher.h"
#include "history/paste_back.h"
#include "history/clip_snapshots.h"
#include "history/slot_tiles.h"
#include "platform/handles.h"
#include "platform/layout.h"

namespace bench {

using namespace nimbara;

namespace {

constexpr size_t kMiB = 1024 * 1024;

HWND CreatePlainWindow(const wchar_t* title, DWORD style) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NimbaraBenchWindow";
    ::RegisterClassW(&wc);  // fails harmlessly when registered already
    return ::CreateWindowExW(0, wc.lpszClassName, title, style, 100, 100, 200, 100, nullptr,
                             nullptr, wc.hInstance, nullptr);
}

// Puts `sizes.size()` registered formats of the given byte counts on the clipboard.
bool WriteBlocks(HWND owner, const std::vector<size_t>& sizes) {
    if (!::OpenClipboard(owner)) return false;
    ::EmptyClipboard();
    bool ok = true;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const std::wstring name = L"Nimbara bench block " + std::to_wstring(i + 1);
        const UINT format = ::RegisterClipboardFormatW(name.c_str());
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, sizes[i]);
        if (!block) {
            ok = false;
            break;
        }
        if (void* p = ::GlobalLock(block)) {
            std::memset(p, static_cast<int>('a' + i), sizes[i]);
            ::GlobalUnlock(block);
        }
        if (!::SetClipboardData(format, block)) {
            ::GlobalFree(block);
            ok = false;
        }
    }
    ::CloseClipboard();
    return ok;
}

}  // namespace

// Another process's write: the snapshot then fetches the bytes from wherever the
// system keeps them, as it does for any real program's copy.
int ClipWriteCommand(const Args& args) {
    const size_t mb = static_cast<size_t>(IntArg(args, 2, 64));
    HWND owner = CreatePlainWindow(L"bench writer", WS_POPUP);
    return WriteBlocks(owner, {mb * kMiB}) ? 0 : 1;
}

namespace {

// One snapshot through the reader process (this executable started with /clip-reader), as
// the program takes it: asked for, then the window's messages pumped until it arrives.
std::unique_ptr<SnapshotResult> ReaderSnapshot(ClipReaderProcess& reader, HWND window) {
    if (!reader.Begin()) return nullptr;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == window && msg.message == kMsgSnapshotRead) {
            while (std::optional<SnapshotNews> news = reader.Take()) {
                if (news->kind != SnapshotNews::Kind::kTaken) return nullptr;
                return std::make_unique<SnapshotResult>(std::move(news->result));
            }
            continue;
        }
        ::DispatchMessageW(&msg);
    }
    return nullptr;
}

}  // namespace

int SnapshotCommand(const Args& args) {
    const int runs = IntArg(args, 2, 5);
    const size_t mb = static_cast<size_t>(IntArg(args, 3, 64));
    HWND owner = CreatePlainWindow(L"bench snapshot", WS_POPUP);
    ClipSnapshots snapshots(SystemClipboard(), owner, {});
    ClipReaderProcess reader(owner);
    // The reader's start is paid once in the program's life, not at each capture.
    if (!ReaderSnapshot(reader, owner)) {
        Note("the reader process gave no snapshot");
        return 1;
    }
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (int run = 0; run < runs; ++run) {
        std::wstring command = L"\"" + std::wstring(self) + L"\" clip-write " + std::to_wstring(mb);
        STARTUPINFOW si{sizeof(si)};
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &pi)) {
            Note("the clipboard writer did not start");
            return 1;
        }
        ::WaitForSingleObject(pi.hProcess, INFINITE);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);

        double start = NowMs();
        ClipSlot slot = snapshots.Snapshot();
        const double snapshot_ms = NowMs() - start;
        if (slot.size() != 1 || slot[0].data.size() != mb * kMiB) {
            Note("the snapshot did not hold the block whole");
            return 1;
        }
        // The yardstick: a fresh buffer of the same size filled from memory at hand.
        start = NowMs();
        ByteBuffer copy = ByteBuffer::CopyOf(slot[0].data.bytes());
        const double copy_ms = NowMs() - start;
        if (copy.data()[mb * kMiB - 1] != slot[0].data.data()[mb * kMiB - 1]) return 1;
        slot.clear();
        start = NowMs();
        const std::unique_ptr<SnapshotResult> remote = ReaderSnapshot(reader, owner);
        const double reader_ms = NowMs() - start;
        if (!remote || remote->slot.size() != 1 || remote->slot[0].data.size() != mb * kMiB) {
            Note("the reader's snapshot did not hold the block whole");
            return 1;
        }
        Sample("snapshot_ms", snapshot_ms);
        Sample("plain_copy_ms", copy_ms);
        Sample("snapshot_ratio", snapshot_ms / copy_ms);
        Sample("reader_snapshot_ms", reader_ms);
        Sample("reader_over_snapshot_ratio", reader_ms / snapshot_ms);
    }
    // A copy of one short text, the common case: what the hop to the reader adds.
    for (int run = 0; run < runs * 4; ++run) {
        if (!WriteBlocks(owner, {64})) return 1;
        double start = NowMs();
        const ClipSlot slot = snapshots.Snapshot();
        const double local_ms = NowMs() - start;
        start = NowMs();
        const std::unique_ptr<SnapshotResult> remote = ReaderSnapshot(reader, owner);
        const double reader_ms = NowMs() - start;
        if (!remote || remote->slot.size() != slot.size()) return 1;
        Sample("small_snapshot_ms", local_ms);
        Sample("small_reader_snapshot_ms", reader_ms);
        Sample("small_reader_extra_ms", reader_ms - local_ms);
    }
    return 0;
}

namespace {

// The real system's input, except that the keys are written down instead of sent,
// with the time of each and the time spent waiting for the activation.
class RecordingInput final : public InputApi {
public:
    HWND Foreground() override { return SystemInput().Foreground(); }
    // The window pasted into stands for another program's, though a thread of this one
    // runs it.
    WindowFacts Observe(HWND window) override {
        WindowFacts facts = SystemInput().Observe(window);
        facts.own_process = false;
        return facts;
    }
    bool KeyIsDown(BYTE virtual_key) override { return SystemInput().KeyIsDown(virtual_key); }
    bool RequestForeground(HWND window) override { return SystemInput().RequestForeground(window); }
    bool HasTakenForeground(HWND window) override {
        return SystemInput().HasTakenForeground(window);
    }
    UINT ScanCodeOf(UINT virtual_key) override { return SystemInput().ScanCodeOf(virtual_key); }
    void KeyEvent(BYTE, BYTE, DWORD) override {
        last_key_ms = NowMs();
        ++keys;
    }
    void WaitBriefly(DWORD milliseconds) override {
        const double start = NowMs();
        SystemInput().WaitBriefly(milliseconds);
        waited_ms += NowMs() - start;
    }
    double last_key_ms = 0;
    double waited_ms = 0;
    int keys = 0;
};

// The window pasted into: a top-level window of another thread with a loop of its own,
// so that taking the activation is a real hand-over between threads.
class PasteTarget {
public:
    PasteTarget() : thread_([this] { Run(); }) {
        while (!window_) ::Sleep(1);
    }
    ~PasteTarget() {
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
        ::PostThreadMessageW(thread_id_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND hwnd() const { return window_; }

private:
    void Run() {
        thread_id_ = ::GetCurrentThreadId();
        HWND w = CreatePlainWindow(L"bench paste target", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        window_ = w;
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
        ::DestroyWindow(w);
    }
    std::atomic<HWND> window_{nullptr};
    std::atomic<DWORD> thread_id_{0};
    std::thread thread_;
};

}  // namespace

// The paste-back's figure takes no snapshot.
struct NoReader final : SnapshotSource {
    bool Begin() override { return false; }
    std::optional<SnapshotNews> Take() override { return std::nullopt; }
    std::uint64_t BytesArrived() override { return 0; }
    SnapshotResult Abandon() noexcept override { return {}; }
};

int PasteCommand(const Args& args) {
    const int runs = IntArg(args, 2, 20);
    HWND owner = CreatePlainWindow(L"bench history", WS_POPUP | WS_VISIBLE);
    UniqueHFont font = CreateSongTiFont();
    ClipSnapshots snapshots(SystemClipboard(), owner, {});
    SlotRing ring;
    SlotTiles tiles(owner, LayoutScale{}, font.get(), [](int) {});
    NoReader reader;
    WindowTimers timers(owner);
    ClipWatcher watcher(owner, snapshots, ring, tiles, reader, timers);
    RecordingInput input;
    PasteBack paste(owner, snapshots, ring, tiles, watcher, timers, input);
    PasteTarget target;

    // Twelve formats that make up 1 MB between them.
    std::vector<size_t> sizes(12, kMiB / 12);
    sizes.back() += kMiB - (kMiB / 12) * 12;
    if (!WriteBlocks(owner, sizes)) return 1;
    ring.Store(1, snapshots.Snapshot());

    for (int run = 0; run < runs; ++run) {
        // The user is in the history window and came from the target.
        ::SetForegroundWindow(owner);
        PumpFor(30);
        paste.ActivationChanged(WA_CLICKACTIVE, reinterpret_cast<LPARAM>(target.hwnd()));
        input = RecordingInput{};
        const double click = NowMs();
        paste.PasteSlot(1);
        if (input.keys != 4) {
            Note("the paste-back did not type Ctrl+V");
            return 1;
        }
        Sample("paste_ms", input.last_key_ms - click - input.waited_ms);
        Sample("paste_activation_wait_ms", input.waited_ms);
        PumpFor(20);
    }
    if (::CountClipboardFormats() < 12) Note("the clipboard lost formats after the paste-back");
    return 0;
}

}  // namespace bench
