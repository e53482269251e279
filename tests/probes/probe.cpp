// probe.exe CMD ARGS...   one command, one JSON line, exit code 0 when "ok" is true
// probe.exe serve         one command per line on stdin, one JSON line per command
// probe.exe viewer        serve, joined to the clipboard viewer chain from the start
// Events that arrive on their own (viewer notices, hotkeys) are lines with an "event" key.
#include "probe.h"

#include <deque>
#include <exception>
#include <mutex>

#include "probe_output.h"

namespace probe {
namespace {

State* g_state = nullptr;  // for the window procedure; the probe has one window

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    try {
        LRESULT result = 0;
        if (g_state && HandleWindowMessage(*g_state, msg, wparam, lparam, &result)) return result;
    } catch (...) {
        WriteLine(
            Json().Str("event", "error").Str("error", "exception in window procedure").Text());
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

HWND CreateProbeWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"NimbaraProbe";
    RegisterClassW(&wc);
    // A hidden top-level window (not message-only): the viewer chain and the clipboard owner
    // must be ordinary windows, as a real program's would be.
    return CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"Nimbara probe", WS_POPUP, 0, 0, 1,
                           1, nullptr, nullptr, wc.hInstance, nullptr);
}

using Handler = std::string (*)(State&, const Args&);

struct Command {
    const wchar_t* name;
    Handler handler;
};

const Command kCommands[] = {
    {L"windows", WindowsCommand},
    {L"children", ChildrenCommand},
    {L"find", FindCommand},
    {L"foreground", ForegroundCommand},
    {L"send", SendCommand},
    {L"post", PostCommand},
    {L"idle", IdleCommand},
    {L"activate", ActivateCommand},
    {L"edit-text", EditTextCommand},
    {L"pixel", PixelCommand},
    {L"grab", GrabCommand},
    {L"clip-set", ClipSetCommand},
    {L"clip-dump", ClipDumpCommand},
    {L"clip-empty", ClipEmptyCommand},
    {L"clip-hold", ClipHoldCommand},
    {L"clip-count", ClipCountCommand},
    {L"clip-delayed", ClipDelayedCommand},
    {L"clip-render", ClipRenderCommand},
    {L"hostile", HostileCommand},
    {L"flood", FloodCommand},
    {L"clip-change-hold", ClipChangeHoldCommand},
    {L"big-blocks", BigBlocksCommand},
    {L"narrow-room", NarrowRoomCommand},
    {L"proc-stats", ProcStatsCommand},
    {L"forge", ForgeCommand},
    {L"end-children", EndChildrenCommand},
    {L"join", JoinCommand},
    {L"leave", LeaveCommand},
    {L"swallow", SwallowCommand},
    {L"hang", HangCommand},
    {L"hotkey", HotkeyCommand},
    {L"unhotkey", UnhotkeyCommand},
    {L"screen", ScreenCommand},
    {L"swatch", SwatchCommand},
    {L"unswatch", UnswatchCommand},
    {L"hold-on-change", HoldOnChangeCommand},
    {L"release-hold", ReleaseHoldCommand},
    {L"plan-clip", PlanClipCommand},
    {L"text", TextCommand},
    {L"toolbar", ToolbarCommand},
    {L"icon-of", IconOfCommand},
    {L"move", MoveCommand},
    {L"font", FontCommand},
    {L"syscolor", SysColorCommand},
};

std::string SleepCommand(const Args& args) {
    int64_t ms = 0;
    if (args.size() != 2 || !ParseInt(args[1], &ms) || ms < 0) return Failure("usage: sleep MS");
    PumpFor(static_cast<DWORD>(ms));
    return Json().Bool("ok", true).Text();
}

std::string Run(State& state, const Args& args) {
    if (args.empty()) return Failure("empty command");
    try {
        if (args[0] == L"sleep") return SleepCommand(args);
        if (args[0] == L"quit") {
            state.quit = true;
            return Json().Bool("ok", true).Text();
        }
        if (args[0] == L"ping")
            return Json().Bool("ok", true).Uint("pid", GetCurrentProcessId()).Text();
        for (const Command& command : kCommands) {
            if (args[0] == command.name) return command.handler(state, args);
        }
        return Failure("unknown command: " + Utf8(args[0]));
    } catch (const std::exception& e) {
        return Failure(std::string("exception: ") + e.what());
    } catch (...) {
        return Failure("exception");
    }
}

// Splits a command line: blanks separate words, "double quotes" keep blanks, \" and \\ escape.
Args Tokenize(const std::wstring& line) {
    Args words;
    std::wstring word;
    bool in_word = false, quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        wchar_t c = line[i];
        if (quoted) {
            if (c == L'\\' && i + 1 < line.size() &&
                (line[i + 1] == L'"' || line[i + 1] == L'\\')) {
                word += line[++i];
            } else if (c == L'"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == L'"') {
            quoted = in_word = true;
        } else if (c == L' ' || c == L'\t' || c == L'\r') {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

// stdin is read on a thread of its own so that the window thread keeps pumping messages (a
// clipboard owner or viewer that does not answer would stall other programs).
struct Input {
    std::mutex lock;
    std::deque<std::string> lines;
    bool ended = false;
    HANDLE ready = CreateEventW(nullptr, FALSE, FALSE, nullptr);
};

DWORD WINAPI ReadInput(void* param) {
    auto* input = static_cast<Input*>(param);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr) || got == 0) break;
        pending.append(buffer, got);
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::lock_guard<std::mutex> hold(input->lock);
            input->lines.push_back(pending.substr(0, end));
            pending.erase(0, end + 1);
            SetEvent(input->ready);
        }
    }
    std::lock_guard<std::mutex> hold(input->lock);
    if (!pending.empty()) input->lines.push_back(pending);
    input->ended = true;
    SetEvent(input->ready);
    return 0;
}

void DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Serve(State& state) {
    state.serving = true;
    static Input input;  // the reader thread is never joined; it ends with the process
    HANDLE thread = CreateThread(nullptr, 0, ReadInput, &input, 0, nullptr);
    if (thread) CloseHandle(thread);
    while (!state.quit) {
        MsgWaitForMultipleObjects(1, &input.ready, FALSE, INFINITE, QS_ALLINPUT);
        DispatchPending();
        for (;;) {
            std::string line;
            bool have_line = false, ended = false;
            {
                std::lock_guard<std::mutex> hold(input.lock);
                if (!input.lines.empty()) {
                    line = input.lines.front();
                    input.lines.pop_front();
                    have_line = true;
                } else {
                    ended = input.ended;
                }
            }
            if (!have_line) {
                if (ended) state.quit = true;
                break;
            }
            Args args = Tokenize(Wide(line));
            if (args.empty()) continue;
            WriteLine(Run(state, args));
            if (state.quit) break;
        }
    }
}

bool NeedsServe(const std::wstring& command) {
    return command == L"viewer" || command == L"hotkey" || command == L"serve";
}

}  // namespace

bool ParseInt(const std::wstring& text, int64_t* value) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    long long parsed = wcstoll(text.c_str(), &end, 0);
    if (!end || *end != L'\0') {
        unsigned long long unsigned_value = wcstoull(text.c_str(), &end, 0);
        if (!end || *end != L'\0') return false;
        parsed = static_cast<long long>(unsigned_value);
    }
    *value = parsed;
    return true;
}

bool ParseHwnd(const std::wstring& text, HWND* hwnd) {
    int64_t value = 0;
    if (!ParseInt(text, &value)) return false;
    *hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
    return true;
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
        DispatchPending();
    }
}

}  // namespace probe

int wmain(int argc, wchar_t** argv) {
    using namespace probe;
    // Window rectangles, pixels and fonts as they really are: a program that is not DPI aware
    // is shown every other program's coordinates scaled down to 96 dots per inch.
    SetProcessDPIAware();
    State state;
    g_state = &state;
    // The first window of a fresh prefix starts the desktop process; on a loaded machine that
    // can take longer than Wine waits for it, and the window is then refused. Ask again.
    for (int attempt = 0; attempt < 30 && !state.window; ++attempt) {
        if (attempt) Sleep(1000);
        state.window = CreateProbeWindow();
    }
    if (!state.window) {
        WriteLine(FailureWithCode("cannot create the probe window", GetLastError()));
        return 2;
    }
    Args args(argv + 1, argv + argc);
    if (args.empty()) {
        WriteLine(Failure("usage: probe.exe serve | viewer | CMD ARGS..."));
        return 2;
    }
    int code = 0;
    if (args[0] == L"viewer") {
        WriteLine(JoinCommand(state, args));
    } else if (args[0] != L"serve") {
        std::string answer = Run(state, args);
        WriteLine(answer);
        code = answer.rfind("{\"ok\":true", 0) == 0 ? 0 : 1;
    }
    if (NeedsServe(args[0]) && !state.quit) Serve(state);
    LeaveChain(state);
    DestroyWindow(state.window);
    return code;
}
