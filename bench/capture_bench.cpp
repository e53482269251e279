// The running program measured from outside: how long a clipboard change takes to
// show on its tile, against a plain viewer's notice in the same chain, and how long
// the program takes to start, against a one-window program started the same way.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "bench_output.h"

namespace bench {

namespace {

// --- the bench's own viewer: the baseline of every notice ---------------------------------

HWND g_next_viewer = nullptr;
std::atomic<double> g_notice_ms{0};

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_DRAWCLIPBOARD:
            g_notice_ms = NowMs();
            // Passed on at once and without waiting, as any well-behaved viewer does.
            if (g_next_viewer) ::SendNotifyMessageW(g_next_viewer, msg, wp, lp);
            return 0;
        case WM_CHANGECBCHAIN:
            if (reinterpret_cast<HWND>(wp) == g_next_viewer) {
                g_next_viewer = reinterpret_cast<HWND>(lp);
            } else if (g_next_viewer) {
                ::SendNotifyMessageW(g_next_viewer, msg, wp, lp);
            }
            return 0;
        default:
            return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

class Viewer {
public:
    Viewer() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ViewerProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"NimbaraBenchViewer";
        ::RegisterClassW(&wc);
        hwnd_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"bench viewer", WS_POPUP, 0,
                                  0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
        g_next_viewer = ::SetClipboardViewer(hwnd_);
        PumpFor(50);  // the joining notice
    }
    ~Viewer() { ::ChangeClipboardChain(hwnd_, g_next_viewer); }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

private:
    HWND hwnd_ = nullptr;
};

// --- a writer on a thread of its own, so that its notices reach the viewer as a
// --- message from another thread, as from another program --------------------------------

class Writer {
public:
    Writer() : thread_([this] { Run(); }) {}
    ~Writer() {
        stop_ = true;
        ::SetEvent(request_);
        thread_.join();
        ::CloseHandle(request_);
        ::CloseHandle(done_);
    }
    // Starts a write of `text` and, when `extra` is not 0, a block of that many bytes.
    void Start(const std::wstring& text, size_t extra) {
        text_ = text;
        extra_ = extra;
        ::ResetEvent(done_);
        ::SetEvent(request_);
    }
    bool finished() const { return ::WaitForSingleObject(done_, 0) == WAIT_OBJECT_0; }
    double started_ms() const { return started_ms_; }
    bool ok() const { return ok_; }

private:
    void Run() {
        HWND owner = ::CreateWindowExW(0, L"STATIC", L"bench writer", WS_POPUP, 0, 0, 1, 1, nullptr,
                                       nullptr, nullptr, nullptr);
        for (;;) {
            // Messages sent to the clipboard owner are answered while idle.
            const DWORD got =
                ::MsgWaitForMultipleObjects(1, &request_, FALSE, INFINITE, QS_ALLINPUT);
            if (got == WAIT_OBJECT_0 + 1) {
                MSG msg;
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
                continue;
            }
            if (stop_) break;
            started_ms_ = NowMs();
            ok_ = Write(owner);
            ::SetEvent(done_);
        }
        ::DestroyWindow(owner);
    }
    bool Write(HWND owner) {
        if (!::OpenClipboard(owner)) return false;
        ::EmptyClipboard();
        const size_t bytes = (text_.size() + 1) * sizeof(wchar_t);
        HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
        bool ok = text != nullptr;
        if (ok) {
            std::memcpy(::GlobalLock(text), text_.c_str(), bytes);
            ::GlobalUnlock(text);
            if (!::SetClipboardData(CF_UNICODETEXT, text)) ok = false, ::GlobalFree(text);
        }
        if (ok && extra_) {
            HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, extra_);
            if (block) {
                std::memset(::GlobalLock(block), 'x', extra_);
                ::GlobalUnlock(block);
                const UINT format = ::RegisterClipboardFormatW(L"Nimbara bench block");
                if (!::SetClipboardData(format, block)) ok = false, ::GlobalFree(block);
            } else {
                ok = false;
            }
        }
        ::CloseClipboard();
        return ok;
    }

    HANDLE request_ = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE done_ = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::wstring text_;
    size_t extra_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<double> started_ms_{0};
    std::atomic<bool> ok_{false};
    std::thread thread_;
};

// --- the tiles' preview labels, LText n (id 300 + n) ----------------------------------------

struct Labels {
    HWND label[13] = {};
};

BOOL CALLBACK CollectLabel(HWND child, LPARAM lp) {
    const int id = ::GetDlgCtrlID(child);
    if (id > 300 && id <= 312) reinterpret_cast<Labels*>(lp)->label[id - 300] = child;
    return TRUE;
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[256] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer),
                               SMTO_NORMAL, 5000, &copied))
        return {};
    return buffer;
}

struct Change {
    double latency_ms = -1;  // write to the preview readable on the tile
    double notice_ms = -1;   // write to the bench viewer's notice
};

class CaptureWatch {
public:
    explicit CaptureWatch(HWND nimbara) {
        ::EnumChildWindows(nimbara, CollectLabel, reinterpret_cast<LPARAM>(&labels_));
    }
    bool complete() const {
        for (int n = 1; n <= 12; ++n)
            if (!labels_.label[n]) return false;
        return true;
    }

    // One change, timed. The slot that shows it is looked for on every tile until it
    // is known; after that only the next slot round the ring is read while polling.
    Change Run(Writer& writer, const std::wstring& text, size_t extra, double timeout_ms) {
        Change change;
        g_notice_ms = 0;
        writer.Start(text, extra);
        const int expected = slot_ ? slot_ % 12 + 1 : 0;
        for (;;) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            if (!writer.finished()) continue;
            const double now = NowMs();
            if (now - writer.started_ms() > timeout_ms) return change;
            if (g_notice_ms == 0) continue;
            const int found = Find(text, expected, now - writer.started_ms() > 500);
            if (found) {
                change.latency_ms = NowMs() - writer.started_ms();
                change.notice_ms = g_notice_ms - writer.started_ms();
                slot_ = found;
                return change;
            }
        }
    }

private:
    int Find(const std::wstring& text, int expected, bool everywhere) {
        if (expected && !everywhere) return TextOf(labels_.label[expected]) == text ? expected : 0;
        for (int n = 1; n <= 12; ++n)
            if (TextOf(labels_.label[n]) == text) return n;
        return 0;
    }
    Labels labels_;
    int slot_ = 0;
};

std::wstring ChangeText(int i) {
    wchar_t text[64];
    std::swprintf(text, 64, L"nimbara bench %lu-%06d", ::GetTickCount(), i);
    return text;
}

}  // namespace

// Feeds COUNT clipboard changes to the running program, each with a block of MB
// megabytes besides its text (0: text alone), one at a time, each awaited on its tile.
// With `timed`, prints the latency of each change and the viewer's notice as baseline.
int FeedChanges(int count, size_t extra_bytes, bool timed) {
    HWND nimbara = FindNimbara();
    if (!nimbara) {
        Note("Nimbara is not running");
        return 1;
    }
    CaptureWatch watch(nimbara);
    if (!watch.complete()) {
        Note("the tiles' labels were not found");
        return 1;
    }
    Viewer viewer;
    Writer writer;
    int missed = 0;
    for (int i = 0; i < count; ++i) {
        const Change change = watch.Run(writer, ChangeText(i), extra_bytes, 20000);
        if (change.latency_ms < 0) {
            ++missed;
            continue;
        }
        if (timed) {
            Sample("capture_latency_ms", change.latency_ms);
            Sample("viewer_notice_ms", change.notice_ms);
            Sample("capture_over_notice_ms", change.latency_ms - change.notice_ms);
        }
        // Room between changes, so that no two fall into one capture.
        PumpFor(20);
    }
    if (missed) Note(std::to_string(missed) + " changes never showed on a tile");
    return missed ? 1 : 0;
}

int LatencyCommand(const Args& args) { return FeedChanges(IntArg(args, 2, 200), 0, true); }

int FeedCommand(const Args& args) {
    return FeedChanges(IntArg(args, 2, 12), static_cast<size_t>(IntArg(args, 3, 0)) << 20, false);
}

namespace {

// --- an owner that renders its text only when asked, and slowly --------------------------

DWORD g_render_ms = 0;
std::wstring g_render_text;

LRESULT CALLBACK SlowOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_RENDERFORMAT && wp == CF_UNICODETEXT) {
        ::Sleep(g_render_ms);  // a long calculation, a large range
        const size_t bytes = (g_render_text.size() + 1) * sizeof(wchar_t);
        HGLOBAL text = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
        std::memcpy(::GlobalLock(text), g_render_text.c_str(), bytes);
        ::GlobalUnlock(text);
        if (!::SetClipboardData(CF_UNICODETEXT, text)) ::GlobalFree(text);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// Offers the text on demand from a thread of its own and answers until `stop` is set.
void RunSlowOwner(std::atomic<bool>& offered, std::atomic<bool>& stop) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = SlowOwnerProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NimbaraBenchSlowOwner";
    ::RegisterClassW(&wc);
    HWND owner = ::CreateWindowExW(0, wc.lpszClassName, L"bench slow owner", WS_POPUP, 0, 0, 1, 1,
                                   nullptr, nullptr, wc.hInstance, nullptr);
    if (::OpenClipboard(owner)) {
        ::EmptyClipboard();
        ::SetClipboardData(CF_UNICODETEXT, nullptr);
        ::CloseClipboard();
    }
    offered = true;
    while (!stop) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    ::DestroyWindow(owner);
}

}  // namespace

// RUNS copies by an owner that renders after MS milliseconds; for each, the longest time the
// running program's main window took to answer a message meanwhile (asked back to back),
// and the time from the copy to the text on a tile.
int RenderAnswerCommand(const Args& args) {
    const int runs = IntArg(args, 2, 3);
    g_render_ms = static_cast<DWORD>(IntArg(args, 3, 5000));
    HWND nimbara = FindNimbara();
    if (!nimbara) {
        Note("Nimbara is not running");
        return 1;
    }
    Labels labels;
    ::EnumChildWindows(nimbara, CollectLabel, reinterpret_cast<LPARAM>(&labels));
    for (int run = 0; run < runs; ++run) {
        g_render_text = ChangeText(run);
        std::atomic<bool> offered{false}, stop{false};
        const double start = NowMs();
        std::thread owner([&] { RunSlowOwner(offered, stop); });
        double longest = 0, shown = -1;
        while (shown < 0 && NowMs() - start < 120000) {
            const double asked = NowMs();
            DWORD_PTR ignored = 0;
            ::SendMessageTimeoutW(nimbara, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
            if (offered) longest = std::max(longest, NowMs() - asked);
            for (int n = 1; n <= 12 && shown < 0; ++n)
                if (labels.label[n] && TextOf(labels.label[n]) == g_render_text)
                    shown = NowMs() - start;
            ::Sleep(5);
        }
        stop = true;
        owner.join();
        if (shown < 0) {
            Note("the slowly rendered text never showed on a tile");
            return 1;
        }
        Sample("render_answer_max_ms", longest);
        Sample("render_capture_ms", shown);
        PumpFor(200);
    }
    return 0;
}

// Feeds COUNT text changes to the plain reader (bench_minimal.exe read), running without
// Nimbara, each awaited until the reader has read it; with "close", closes the reader.
int ReadFeedCommand(const Args& args) {
    const int count = IntArg(args, 2, 1000);
    const bool close = args.size() > 3 && args[3] == L"close";
    HANDLE read = ::OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, L"NimbaraBenchRead");
    HWND reader = ::FindWindowW(L"NimbaraBenchMinimal", nullptr);
    if (!read || !reader) {
        Note("the plain reader is not running");
        return 1;
    }
    int missed = 0;
    {
        Writer writer;
        for (int i = 0; i < count; ++i) {
            ::ResetEvent(read);
            writer.Start(ChangeText(i), 0);
            if (::WaitForSingleObject(read, 5000) != WAIT_OBJECT_0) ++missed;
            while (!writer.finished()) ::Sleep(1);
        }
    }
    ::CloseHandle(read);
    if (close) ::PostMessageW(reader, WM_CLOSE, 0, 0);
    if (missed) Note(std::to_string(missed) + " changes were not read by the plain reader");
    return missed ? 1 : 0;
}

namespace {

struct FoundWindow {
    DWORD pid;
    HWND hwnd;
};

BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM lp) {
    auto* found = reinterpret_cast<FoundWindow*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    // The program's own windows, not the ones the system makes for its input methods.
    if (pid == found->pid && std::wstring(cls) != L"IME" && std::wstring(cls) != L"Default IME") {
        found->hwnd = hwnd;
        if (std::wstring(cls) == L"TMainForm" || std::wstring(cls) == L"NimbaraBenchMinimal")
            return FALSE;
    }
    return TRUE;
}

// Starts `program` and returns the milliseconds until it has joined the viewer chain
// (its window is the chain's head); closes it again.
double TimeStart(const std::wstring& program) {
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    const double start = NowMs();
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi))
        return -1;
    double joined = -1;
    while (NowMs() - start < 60000) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        // The head of the chain is the viewer that joined last. (The joining notice
        // itself comes inside SetClipboardViewer, before the joiner knows whom to pass
        // it to, so it never travels down the chain.)
        DWORD head_pid = 0;
        if (HWND head = ::GetClipboardViewer()) ::GetWindowThreadProcessId(head, &head_pid);
        if (head_pid == pi.dwProcessId) {
            joined = NowMs() - start;
            break;
        }
    }
    FoundWindow found{pi.dwProcessId, nullptr};
    ::EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&found));
    if (found.hwnd) ::PostMessageW(found.hwnd, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        Note("a program did not end on WM_CLOSE; ended it");
        ::TerminateProcess(pi.hProcess, 1);
        ::WaitForSingleObject(pi.hProcess, 5000);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    PumpFor(300);
    return joined;
}

}  // namespace

int StartupCommand(const Args& args) {
    const int runs = IntArg(args, 2, 5);
    if (args.size() < 5) return 1;
    // One start of each first, unmeasured: the system's files are then cached for both.
    TimeStart(args[3]);
    TimeStart(args[4]);
    for (int run = 0; run < runs; ++run) {
        const double nimbara = TimeStart(args[3]);
        const double minimal = TimeStart(args[4]);
        if (nimbara < 0 || minimal < 0) {
            Note("a start was not seen joining the viewer chain");
            continue;
        }
        Sample("startup_ms", nimbara);
        Sample("minimal_startup_ms", minimal);
        Sample("startup_ratio", nimbara / minimal);
    }
    return 0;
}

}  // namespace bench
