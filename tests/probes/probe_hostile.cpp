// Hostile clipboard programs and outside measurements of another process, for the
// reliability tests: random and malformed content, dead handles, floods, huge blocks,
// a change followed at once by a long hold, and a process's memory and object counts.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "probe.h"
#include "probe_output.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <shlobj.h>

namespace probe {
namespace {

constexpr UINT kToggleCommand = 1001;
constexpr DWORD kToggleTimeoutMs = 10000;

// xorshift64*: the same seed gives the same rounds on every machine.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 2685821657736338717ull;
    }
    uint32_t Below(uint32_t n) { return n ? static_cast<uint32_t>(Next() % n) : 0; }
    bool Chance(uint32_t percent) { return Below(100) < percent; }
    // Sizes spread evenly over the orders of magnitude, 0 and the maximum included.
    size_t Size(size_t max) {
        if (max == 0 || Chance(8)) return 0;
        if (Chance(3)) return max;
        const double span = std::log(static_cast<double>(max) + 1.0);
        const double pick = std::exp(span * (Below(1u << 30) / double(1u << 30))) - 1.0;
        return std::min(max, static_cast<size_t>(pick));
    }

private:
    uint64_t state_;
};

bool OpenRetrying(HWND owner, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!OpenClipboard(owner)) {
        if (GetTickCount() - start > ms) return false;
        PumpFor(2);
    }
    return true;
}

HGLOBAL Block(size_t size) { return GlobalAlloc(GMEM_MOVEABLE, size); }

// A block of random bytes; text formats get no NUL anywhere in them.
HGLOBAL RandomBlock(Random& random, size_t size, bool no_nul) {
    HGLOBAL h = Block(size);
    if (!h || size == 0) return h;
    auto* p = static_cast<uint8_t*>(GlobalLock(h));
    if (!p) return h;
    uint64_t word = 0;
    for (size_t i = 0; i < size; ++i) {
        if (i % 8 == 0) word = random.Next();
        uint8_t b = static_cast<uint8_t>(word >> (8 * (i % 8)));
        p[i] = no_nul && b == 0 ? 'x' : b;
    }
    GlobalUnlock(h);
    return h;
}

// DROPFILES headers that lie: offsets past the end, wide names of odd length, no
// terminating empty name.
HGLOBAL MalformedDrop(Random& random, size_t size) {
    size = std::max<size_t>(size, sizeof(DROPFILES) + random.Below(64));
    HGLOBAL h = RandomBlock(random, size, random.Chance(50));
    if (!h) return h;
    if (auto* drop = static_cast<DROPFILES*>(GlobalLock(h))) {
        const uint32_t offsets[] = {0,
                                    1,
                                    sizeof(DROPFILES),
                                    static_cast<uint32_t>(size),
                                    static_cast<uint32_t>(size) + 7,
                                    0xFFFFFFF0u,
                                    static_cast<uint32_t>(random.Next())};
        drop->pFiles = offsets[random.Below(7)];
        drop->fWide = random.Below(3) == 0 ? 0 : static_cast<BOOL>(random.Below(3));
        GlobalUnlock(h);
    }
    return h;
}

// A METAFILEPICT whose metafile handle names nothing (or a metafile already deleted).
HGLOBAL DeadMetaFilePict(Random& random) {
    HGLOBAL h = Block(sizeof(METAFILEPICT));
    if (!h) return h;
    if (auto* pict = static_cast<METAFILEPICT*>(GlobalLock(h))) {
        pict->mm = static_cast<LONG>(random.Below(10));
        pict->xExt = static_cast<LONG>(random.Next());
        pict->yExt = static_cast<LONG>(random.Next());
        HMETAFILE dead = nullptr;
        if (random.Chance(50)) {
            if (HDC dc = CreateMetaFileW(nullptr)) {
                dead = CloseMetaFile(dc);
                DeleteMetaFile(dead);
            }
        } else {
            dead = reinterpret_cast<HMETAFILE>(static_cast<uintptr_t>(random.Next()));
        }
        pict->hMF = dead;
        GlobalUnlock(h);
    }
    return h;
}

// A GDI object deleted before it is handed over, or a number that never was one.
HANDLE DeadGdiObject(Random& random, UINT format) {
    if (random.Chance(30)) return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(random.Next()));
    HGDIOBJ object = nullptr;
    if (format == CF_BITMAP || format == CF_DSPBITMAP) {
        object = CreateBitmap(4, 4, 1, 32, nullptr);
    } else if (format == CF_PALETTE) {
        LOGPALETTE log = {0x300, 1, {{1, 2, 3, 0}}};
        object = CreatePalette(&log);
    } else {
        HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
        HENHMETAFILE emf = dc ? CloseEnhMetaFile(dc) : nullptr;
        if (emf) DeleteEnhMetaFile(emf);
        return emf;
    }
    if (object) DeleteObject(object);
    return object;
}

const UINT kPredefined[] = {CF_TEXT,   CF_BITMAP,  CF_METAFILEPICT, CF_SYLK,        CF_DIF,
                            CF_TIFF,   CF_OEMTEXT, CF_DIB,          CF_PALETTE,     CF_PENDATA,
                            CF_RIFF,   CF_WAVE,    CF_UNICODETEXT,  CF_ENHMETAFILE, CF_HDROP,
                            CF_LOCALE, CF_DIBV5,   CF_DSPTEXT};

struct RoundCounts {
    int64_t put = 0, refused = 0;
    int64_t bytes = 0;
};

// One random format of a round, counted as put or refused.
void PutOne(Random& random, size_t max_bytes, RoundCounts& counts) {
    UINT format = 0;
    HANDLE data = nullptr;
    bool global = true;
    size_t size = random.Size(max_bytes);
    switch (random.Below(10)) {
        case 0:  // text without its NUL
            format =
                random.Chance(50) ? CF_TEXT : (random.Chance(50) ? CF_OEMTEXT : CF_UNICODETEXT);
            size |= (format == CF_UNICODETEXT && random.Chance(50)) ? 1 : 0;  // odd wide text
            data = RandomBlock(random, size, true);
            break;
        case 1:
            format = CF_HDROP;
            data = MalformedDrop(random, std::min<size_t>(size, 4096));
            break;
        case 2:
            format = CF_METAFILEPICT;
            data = DeadMetaFilePict(random);
            break;
        case 3: {
            const UINT gdi[] = {CF_BITMAP, CF_PALETTE, CF_ENHMETAFILE, CF_DSPBITMAP};
            format = gdi[random.Below(4)];
            data = DeadGdiObject(random, format);
            global = false;
            break;
        }
        case 4:  // an empty block of any format
            format = kPredefined[random.Below(sizeof(kPredefined) / sizeof(kPredefined[0]))];
            if (format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE)
                format = CF_DIB;
            data = Block(0);
            size = 0;
            break;
        case 5: {  // a registered format
            wchar_t name[64];
            swprintf(name, 64, L"Nimbara Hostile %u", random.Below(40));
            format = RegisterClipboardFormatW(name);
            data = RandomBlock(random, size, false);
            break;
        }
        case 6:  // numbers nobody registered: private, GDI-object range, gaps, high
        {
            const UINT bases[] = {0x0200, 0x0300, 0x0012, 0x1000, 0xBF00, 0xFF00};
            format = bases[random.Below(6)] + random.Below(0xFF);
            if (format >= 0x0300 && format <= 0x03FF) size = std::min<size_t>(size, 4096);
            data = RandomBlock(random, size, false);
            break;
        }
        default:  // predefined formats with bytes that mean nothing
            format = kPredefined[random.Below(sizeof(kPredefined) / sizeof(kPredefined[0]))];
            if (format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE) {
                data = DeadGdiObject(random, format);
                global = false;
            } else {
                data = RandomBlock(random, size, false);
            }
            break;
    }
    if (SetClipboardData(format, data)) {
        ++counts.put;
        counts.bytes += global ? static_cast<int64_t>(size) : 0;
    } else {
        ++counts.refused;
        if (global && data) GlobalFree(data);
    }
}

double Millis(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

struct ToggleTimes {
    int64_t count = 0, slow = 0, failed = 0;
    double max_ms = 0, total_ms = 0;
    std::vector<std::string> each_us;
    void Toggle(HWND target) {
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        DWORD_PTR ignored = 0;
        const bool answered = SendMessageTimeoutW(target, WM_COMMAND, kToggleCommand, 0,
                                                  SMTO_NORMAL, kToggleTimeoutMs, &ignored) != 0;
        QueryPerformanceCounter(&to);
        const double ms = Millis(from, to);
        ++count;
        if (!answered) ++failed;
        if (ms > 200.0) ++slow;
        max_ms = std::max(max_ms, ms);
        each_us.push_back(std::to_string(static_cast<int64_t>(ms * 1000)));
        total_ms += ms;
    }
    Json& Into(Json& json) const {
        return json.Int("toggles", count)
            .Int("toggles_slow", slow)
            .Int("toggles_unanswered", failed)
            .Int("toggle_max_us", static_cast<int64_t>(max_ms * 1000))
            .Int("toggle_mean_us", count ? static_cast<int64_t>(total_ms * 1000 / count) : 0)
            .Raw("toggle_us", JsonArray(each_us));
    }
};

struct ProcessWindows {
    DWORD pid;
    int64_t windows = 0;
};

BOOL CALLBACK CountChildWindow(HWND, LPARAM lp) {
    ++reinterpret_cast<ProcessWindows*>(lp)->windows;
    return TRUE;
}

BOOL CALLBACK CountTopWindow(HWND hwnd, LPARAM lp) {
    auto* walk = reinterpret_cast<ProcessWindows*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != walk->pid) return TRUE;
    ++walk->windows;
    EnumChildWindows(hwnd, CountChildWindow, lp);
    return TRUE;
}

}  // namespace

// hostile SEED ROUNDS MAX_BYTES PAUSE_MS [TOGGLE_HWND TOGGLES]: ROUNDS clipboard changes of
// 1..6 random formats each, PAUSE_MS at most between them (0: a flood); TOGGLES times at random
// rounds the window is toggled and the answer timed. An even number of toggles leaves the
// window as it was.
std::string HostileCommand(State& state, const Args& args) {
    int64_t seed = 0, rounds = 0, max_bytes = 0, pause = 0, toggles = 0;
    HWND target = nullptr;
    if (args.size() < 5 || !ParseInt(args[1], &seed) || !ParseInt(args[2], &rounds) ||
        !ParseInt(args[3], &max_bytes) || !ParseInt(args[4], &pause) || rounds < 0 ||
        max_bytes < 0 || pause < 0 ||
        (args.size() == 7 && (!ParseHwnd(args[5], &target) || !ParseInt(args[6], &toggles))))
        return Failure("usage: hostile SEED ROUNDS MAX_BYTES PAUSE_MS [TOGGLE_HWND TOGGLES]");
    Random random(static_cast<uint64_t>(seed));
    RoundCounts counts;
    ToggleTimes times;
    int64_t busy = 0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int64_t round = 0; round < rounds; ++round) {
        if (!OpenRetrying(state.window, 2000)) {
            ++busy;
            continue;
        }
        EmptyClipboard();
        const uint32_t formats = 1 + random.Below(6);
        for (uint32_t i = 0; i < formats; ++i) PutOne(random, size_t(max_bytes), counts);
        CloseClipboard();
        if (target && random.Below(static_cast<uint32_t>(rounds)) < uint64_t(toggles))
            times.Toggle(target);
        if (pause) PumpFor(random.Below(static_cast<uint32_t>(pause) + 1));
    }
    // An even number of toggles: the window ends as it began.
    if (times.count % 2) times.Toggle(target);
    QueryPerformanceCounter(&end);
    Json json;
    json.Bool("ok", true)
        .Int("seed", seed)
        .Int("rounds", rounds)
        .Int("formats_put", counts.put)
        .Int("formats_refused", counts.refused)
        .Int("bytes_put", counts.bytes)
        .Int("clipboard_busy", busy)
        .Int("elapsed_ms", static_cast<int64_t>(Millis(start, end)))
        .Uint("sequence", GetClipboardSequenceNumber());
    return times.Into(json).Text();
}

// flood COUNT PREFIX [TOGGLE_HWND TOGGLES]: COUNT changes as fast as the clipboard takes them,
// each the CF_TEXT "PREFIX i" (i from 0), so the tiles tell which of them were captured.
std::string FloodCommand(State& state, const Args& args) {
    int64_t count = 0, toggles = 0;
    HWND target = nullptr;
    if ((args.size() != 3 && args.size() != 5) || !ParseInt(args[1], &count) || count < 0 ||
        (args.size() == 5 && (!ParseHwnd(args[3], &target) || !ParseInt(args[4], &toggles))))
        return Failure("usage: flood COUNT PREFIX [TOGGLE_HWND TOGGLES]");
    const std::string prefix = Utf8(args[2]);
    Random random(static_cast<uint64_t>(count));
    ToggleTimes times;
    int64_t busy = 0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int64_t i = 0; i < count; ++i) {
        if (!OpenRetrying(state.window, 2000)) {
            ++busy;
            continue;
        }
        EmptyClipboard();
        const std::string text = prefix + " " + std::to_string(i);
        if (HGLOBAL h = Block(text.size() + 1)) {
            std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
            GlobalUnlock(h);
            if (!SetClipboardData(CF_TEXT, h)) GlobalFree(h);
        }
        CloseClipboard();
        if (target && random.Below(static_cast<uint32_t>(count)) < uint64_t(toggles))
            times.Toggle(target);
    }
    if (times.count % 2) times.Toggle(target);
    QueryPerformanceCounter(&end);
    Json json;
    json.Bool("ok", true)
        .Int("changes", count)
        .Int("clipboard_busy", busy)
        .Int("elapsed_ms", static_cast<int64_t>(Millis(start, end)));
    return times.Into(json).Text();
}

// clip-change-hold MS TEXT: puts TEXT as CF_TEXT and opens the clipboard again at once,
// keeping it open MS milliseconds, as a program does that reads back what it wrote.
std::string ClipChangeHoldCommand(State& state, const Args& args) {
    int64_t ms = 0;
    if (args.size() != 3 || !ParseInt(args[1], &ms) || ms < 0 || !state.serving)
        return Failure("usage (serve mode): clip-change-hold MS TEXT");
    if (state.holding_clipboard) return Failure("already holding the clipboard");
    if (!OpenRetrying(state.window, 2000)) return FailureWithCode("cannot open", GetLastError());
    EmptyClipboard();
    const std::string text = Utf8(args[2]);
    HGLOBAL h = Block(text.size() + 1);
    if (h) {
        std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
        GlobalUnlock(h);
        if (!SetClipboardData(CF_TEXT, h)) GlobalFree(h);
    }
    CloseClipboard();
    if (!OpenClipboard(state.window)) return FailureWithCode("cannot reopen", GetLastError());
    state.holding_clipboard = true;
    SetTimer(state.window, kHoldTimer, static_cast<UINT>(ms), nullptr);
    return Json().Bool("ok", true).Uint("sequence", GetClipboardSequenceNumber()).Text();
}

// big-blocks COUNT MEGABYTES TEXT: TEXT as CF_TEXT and COUNT registered formats of MEGABYTES
// each, in one opening. Blocks the system cannot give are left out and counted.
std::string BigBlocksCommand(State& state, const Args& args) {
    int64_t count = 0, megabytes = 0;
    if (args.size() != 4 || !ParseInt(args[1], &count) || !ParseInt(args[2], &megabytes) ||
        count < 0 || megabytes <= 0)
        return Failure("usage: big-blocks COUNT MEGABYTES TEXT");
    if (!OpenRetrying(state.window, 5000)) return FailureWithCode("cannot open", GetLastError());
    EmptyClipboard();
    const std::string text = Utf8(args[3]);
    if (HGLOBAL h = Block(text.size() + 1)) {
        std::memcpy(GlobalLock(h), text.c_str(), text.size() + 1);
        GlobalUnlock(h);
        if (!SetClipboardData(CF_TEXT, h)) GlobalFree(h);
    }
    std::vector<std::string> formats;
    int64_t not_allocated = 0, refused = 0;
    const size_t size = size_t(megabytes) << 20;
    for (int64_t i = 0; i < count; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"Nimbara Big Block %lld", static_cast<long long>(i));
        const UINT format = RegisterClipboardFormatW(name);
        HGLOBAL h = Block(size);
        if (!h) {
            ++not_allocated;
            continue;
        }
        // Touch every page with a pattern, so the block is real memory, not a promise.
        if (auto* p = static_cast<uint8_t*>(GlobalLock(h))) {
            for (size_t at = 0; at < size; at += 4096) p[at] = static_cast<uint8_t>(at >> 12);
            GlobalUnlock(h);
        }
        if (SetClipboardData(format, h)) {
            formats.push_back(std::to_string(format));
        } else {
            ++refused;
            GlobalFree(h);
        }
    }
    CloseClipboard();
    return Json()
        .Bool("ok", true)
        .Raw("formats", JsonArray(formats))
        .Int("not_allocated", not_allocated)
        .Int("refused", refused)
        .Text();
}

// narrow-room PID MEGABYTES: reserves the free address space of process PID, in the largest
// pieces the system gives, and frees the smallest again until MEGABYTES of it are left, so
// that blocks of a size a machine copies in seconds are more than that process can hold.
// Reserved pages cost no memory; they stay reserved for the process's life.
std::string NarrowRoomCommand(State&, const Args& args) {
    int64_t pid = 0, megabytes = 0;
    if (args.size() != 3 || !ParseInt(args[1], &pid) || !ParseInt(args[2], &megabytes) ||
        megabytes < 0)
        return Failure("usage: narrow-room PID MEGABYTES");
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION, FALSE, DWORD(pid));
    if (!process) return FailureWithCode("cannot open the process", GetLastError());
    struct Piece {
        void* base;
        size_t size;
    };
    std::vector<Piece> pieces;  // largest first
    size_t reserved = 0;
    for (size_t size = size_t(256) << 20; size >= (size_t(1) << 16); size /= 2) {
        while (void* base = VirtualAllocEx(process, nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) {
            pieces.push_back({base, size});
            reserved += size;
        }
    }
    const size_t leave = size_t(megabytes) << 20;
    size_t left = 0, largest_left = 0;
    while (left < leave && !pieces.empty()) {
        if (VirtualFreeEx(process, pieces.back().base, 0, MEM_RELEASE)) {
            left += pieces.back().size;
            reserved -= pieces.back().size;
            largest_left = std::max(largest_left, pieces.back().size);
        }
        pieces.pop_back();
    }
    CloseHandle(process);
    return Json()
        .Bool("ok", true)
        .Uint("reserved_mb", reserved >> 20)
        .Uint("left_mb", left >> 20)
        .Uint("largest_left_mb", largest_left >> 20)
        .Text();
}

// proc-stats PID: what the system tells another program of a process: its memory, handle
// count, GDI and USER object counts (0 with an error code where the system does not count
// them), and the windows it owns, counted by walking them.
std::string ProcStatsCommand(State&, const Args& args) {
    int64_t pid = 0;
    if (args.size() != 2 || !ParseInt(args[1], &pid)) return Failure("usage: proc-stats PID");
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, DWORD(pid));
    if (!process) return FailureWithCode("cannot open the process", GetLastError());
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    const bool have_memory = K32GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    SetLastError(0);
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD gdi_error = GetLastError();
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    CloseHandle(process);
    ProcessWindows walk{DWORD(pid)};
    EnumWindows(CountTopWindow, reinterpret_cast<LPARAM>(&walk));
    return Json()
        .Bool("ok", true)
        .Bool("have_memory", have_memory)
        .Uint("private_bytes", memory.PrivateUsage)
        .Uint("working_set", memory.WorkingSetSize)
        .Uint("peak_working_set", memory.PeakWorkingSetSize)
        .Uint("pagefile_usage", memory.PagefileUsage)
        .Uint("handles", handles)
        .Uint("gdi_objects", gdi)
        .Uint("gdi_error", gdi_error)
        .Uint("user_objects", user)
        .Int("windows", walk.windows)
        .Text();
}

namespace {

struct Forged {
    UINT first, last;
    bool children;
    DWORD pid;
    bool nested = false;  // among the children of a top-level window
    size_t windows = 0;
};

BOOL CALLBACK PostForged(HWND window, LPARAM param) {
    auto& forged = *reinterpret_cast<Forged*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != forged.pid) return TRUE;
    static constexpr UINT_PTR kValues[] = {0, 1, 0x1234, 0xFFFFFFFF};
    ++forged.windows;
    for (UINT msg = forged.first; msg <= forged.last; ++msg) {
        for (const UINT_PTR w : kValues) {
            for (const UINT_PTR l : kValues) PostMessageW(window, msg, w, static_cast<LPARAM>(l));
        }
    }
    if (forged.children && !forged.nested) {
        forged.nested = true;
        EnumChildWindows(window, PostForged, param);
        forged.nested = false;
    }
    return TRUE;
}

}  // namespace

// forge PID FIRST|NAME LAST CHILDREN: posts every message of FIRST..LAST (or the one registered
// as NAME) to every top-level window of the process, with CHILDREN 1 to their child windows too,
// each with every pair of wParam and lParam of 0, 1, 0x1234 and 0xFFFFFFFF.
std::string ForgeCommand(State&, const Args& args) {
    int64_t pid = 0, first = 0, last = 0, children = 0;
    if (args.size() == 5 && !ParseInt(args[2], &first))
        first = RegisterWindowMessageW(args[2].c_str());
    if (args.size() != 5 || !ParseInt(args[1], &pid) || !ParseInt(args[3], &last) ||
        !ParseInt(args[4], &children) || first == 0)
        return Failure("usage: forge PID FIRST|NAME LAST CHILDREN");
    Forged forged{UINT(first), UINT(std::max(first, last)), children != 0, DWORD(pid)};
    EnumWindows(PostForged, reinterpret_cast<LPARAM>(&forged));
    return Json().Bool("ok", true).Uint("windows", forged.windows).Text();
}

// Ends every process that the process PID started, as Task Manager's End task does; with
// "crash", makes each of them crash instead (a thread of its own started at no code).
std::string EndChildrenCommand(State&, const Args& args) {
    int64_t pid = 0;
    if (args.size() < 2 || args.size() > 3 || !ParseInt(args[1], &pid))
        return Failure("usage: end-children PID [crash]");
    const bool crash = args.size() == 3 && args[2] == L"crash";
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return FailureWithCode("no snapshot", GetLastError());
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    int ended = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != DWORD(pid) || entry.th32ProcessID == DWORD(pid)) continue;
        HANDLE child = OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
        if (!child) continue;
        const auto nowhere = reinterpret_cast<LPTHREAD_START_ROUTINE>(UINT_PTR{0x10});
        HANDLE thread =
            crash ? CreateRemoteThread(child, nullptr, 0, nowhere, nullptr, 0, nullptr) : nullptr;
        if (crash ? thread != nullptr : TerminateProcess(child, 1) != FALSE) ++ended;
        if (thread) CloseHandle(thread);
        CloseHandle(child);
    }
    CloseHandle(snapshot);
    return Json().Bool("ok", true).Int("ended", ended).Text();
}

}  // namespace probe
