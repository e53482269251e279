// The probe as a listener: a member of the clipboard viewer chain and a holder of hotkeys.
// Notices are printed as event lines as they arrive.
#include "probe.h"
#include "probe_output.h"

namespace probe {
namespace {

constexpr UINT kPassOnTimeoutMs = 2000;

Json Event(const char* name) {
    Json event;
    event.Str("event", name).Int("time", UnixMillis()).Uint("tick", GetTickCount());
    return event;
}

}  // namespace

std::string JoinCommand(State& state, const Args&) {
    if (state.in_chain) return Failure("already in the viewer chain");
    SetLastError(0);
    state.next_viewer = SetClipboardViewer(state.window);
    state.in_chain = true;
    return Json()
        .Bool("ok", true)
        .Str("event", "viewer")
        .Hwnd("hwnd", state.window)
        .Hwnd("next", state.next_viewer)
        .Uint("pid", GetCurrentProcessId())
        .Int("time", UnixMillis())
        .Text();
}

void LeaveChain(State& state) {
    if (!state.in_chain) return;
    ChangeClipboardChain(state.window, state.next_viewer);
    state.in_chain = false;
    state.next_viewer = nullptr;
}

std::string LeaveCommand(State& state, const Args&) {
    if (!state.in_chain) return Failure("not in the viewer chain");
    LeaveChain(state);
    return Json().Bool("ok", true).Text();
}

// Stops answering anything, as a hung program would; the process must be killed afterwards
// unless MS is given.
std::string HangCommand(State&, const Args& args) {
    int64_t ms = -1;
    if (args.size() > 2 || (args.size() == 2 && (!ParseInt(args[1], &ms) || ms < 0))) {
        return Failure("usage: hang [MS]");
    }
    WriteLine(Json().Bool("ok", true).Bool("hanging", true).Text());
    Sleep(ms < 0 ? INFINITE : static_cast<DWORD>(ms));
    return Json().Str("event", "awake").Int("time", UnixMillis()).Text();
}

std::string HotkeyCommand(State& state, const Args& args) {
    int64_t mod = 0, vk = 0;
    if (args.size() != 3 || !ParseInt(args[1], &mod) || !ParseInt(args[2], &vk)) {
        return Failure("usage: hotkey MOD VK");
    }
    int id = state.next_hotkey_id++;
    SetLastError(0);
    BOOL registered =
        RegisterHotKey(state.window, id, static_cast<UINT>(mod), static_cast<UINT>(vk));
    DWORD error = registered ? 0 : GetLastError();
    if (registered) state.hotkeys.push_back(id);
    return Json()
        .Bool("ok", true)
        .Bool("registered", registered != FALSE)
        .Uint("code", error)
        .Int("id", id)
        .Text();
}

std::string UnhotkeyCommand(State& state, const Args& args) {
    int64_t only = 0;
    if (args.size() > 2 || (args.size() == 2 && !ParseInt(args[1], &only))) {
        return Failure("usage: unhotkey [ID]");
    }
    std::vector<int> kept;
    int removed = 0;
    for (int id : state.hotkeys) {
        if (only && id != only) {
            kept.push_back(id);
        } else if (UnregisterHotKey(state.window, id)) {
            ++removed;
        }
    }
    state.hotkeys = kept;
    return Json().Bool("ok", true).Int("removed", removed).Text();
}

bool HandleWindowMessage(State& state, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result) {
    switch (msg) {
        case WM_DRAWCLIPBOARD: {
            WriteLine(Event("drawclipboard")
                          .Uint("sequence", GetClipboardSequenceNumber())
                          .Hwnd("owner", GetClipboardOwner())
                          .Int("count", CountClipboardFormats())
                          .Text());
            DWORD_PTR ignored = 0;
            if (state.next_viewer) {
                SendMessageTimeoutW(state.next_viewer, msg, wparam, lparam, SMTO_ABORTIFHUNG,
                                    kPassOnTimeoutMs, &ignored);
            }
            *result = 0;
            return true;
        }
        case WM_CHANGECBCHAIN: {
            HWND removed = reinterpret_cast<HWND>(wparam);
            HWND after = reinterpret_cast<HWND>(lparam);
            WriteLine(Event("changecbchain").Hwnd("removed", removed).Hwnd("next", after).Text());
            DWORD_PTR ignored = 0;
            if (removed == state.next_viewer) {
                state.next_viewer = after;
            } else if (state.next_viewer) {
                SendMessageTimeoutW(state.next_viewer, msg, wparam, lparam, SMTO_ABORTIFHUNG,
                                    kPassOnTimeoutMs, &ignored);
            }
            *result = 0;
            return true;
        }
        case WM_HOTKEY:
            WriteLine(Event("hotkey")
                          .Int("id", static_cast<int64_t>(wparam))
                          .Int("mod", LOWORD(lparam))
                          .Int("vk", HIWORD(lparam))
                          .Text());
            *result = 0;
            return true;
        case WM_TIMER:
            if (wparam != kHoldTimer) return false;
            KillTimer(state.window, kHoldTimer);
            if (state.holding_clipboard) {
                CloseClipboard();
                state.holding_clipboard = false;
                WriteLine(Event("clipboard-closed").Text());
            }
            *result = 0;
            return true;
        case WM_DESTROYCLIPBOARD:
            WriteLine(Event("destroyclipboard").Text());
            return false;
        default:
            return false;
    }
}

}  // namespace probe
