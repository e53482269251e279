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

// Wine's own clipboard manager opens the clipboard for a moment after each change to pass it
// on to X; wait for it a little (without dispatching: a notice must not go on meanwhile).
bool OpenSoon(HWND owner) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(10);
    }
    return false;
}

// Puts a text on the clipboard as a program's copy does (CF_UNICODETEXT, one opening).
bool SetClipboardText(HWND owner, const std::wstring& text) {
    if (!OpenSoon(owner)) return false;
    bool done = false;
    if (EmptyClipboard()) {
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
        if (void* p = block ? GlobalLock(block) : nullptr) {
            memcpy(p, text.c_str(), bytes);
            GlobalUnlock(block);
            done = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        }
        if (block && !done) GlobalFree(block);
    }
    CloseClipboard();
    return done;
}

// What the probe was armed to do when a clipboard notice comes: hold the clipboard open before
// the notice goes on, start the planned clipboard writes.
void OnClipboardNotice(State& state) {
    if (state.hold_on_change_ms >= 0 && !state.holding_clipboard) {
        if (OpenSoon(state.window)) {
            state.holding_clipboard = true;
            SetTimer(state.window, kHoldTimer, static_cast<UINT>(state.hold_on_change_ms), nullptr);
            WriteLine(Event("holding").Int("ms", state.hold_on_change_ms).Text());
        } else {
            WriteLine(Event("hold-failed").Uint("code", GetLastError()).Text());
        }
        state.hold_on_change_ms = -1;
    }
    if (!state.planned_sets.empty()) {
        state.running_sets = std::move(state.planned_sets);
        state.planned_sets.clear();
        for (size_t i = 0; i < state.running_sets.size(); ++i) {
            SetTimer(state.window, kPlannedSetTimerBase + i, state.running_sets[i].delay_ms,
                     nullptr);
        }
    }
}

bool RunPlannedSet(State& state, UINT_PTR timer) {
    if (timer < kPlannedSetTimerBase || timer >= kPlannedSetTimerBase + state.running_sets.size())
        return false;
    KillTimer(state.window, timer);
    const State::PlannedSet& planned = state.running_sets[timer - kPlannedSetTimerBase];
    const bool done = SetClipboardText(state.window, planned.text);
    WriteLine(Event("planned-set")
                  .Int("delay", planned.delay_ms)
                  .Str("text", planned.text)
                  .Bool("done", done)
                  .Text());
    return true;
}

}  // namespace

// A hold of the clipboard ends: its time is up, or the test says so.
static void EndHold(State& state) {
    KillTimer(state.window, kHoldTimer);
    if (!state.holding_clipboard) return;
    CloseClipboard();
    state.holding_clipboard = false;
    WriteLine(Event("clipboard-closed").Text());
}

// release-hold: the hold under way ends now (event clipboard-closed).
std::string ReleaseHoldCommand(State& state, const Args&) {
    if (!state.holding_clipboard) return Failure("not holding the clipboard");
    EndHold(state);
    return Json().Bool("ok", true).Text();
}

// hold-on-change MS: at the next clipboard notice, open the clipboard and keep it open MS
// milliseconds (or until release-hold), then pass the notice on; whoever reads the clipboard
// next finds it held.
std::string HoldOnChangeCommand(State& state, const Args& args) {
    int64_t ms = 0;
    if (args.size() != 2 || !ParseInt(args[1], &ms) || ms < 0 || ms > 600000)
        return Failure("usage: hold-on-change MS");
    if (!state.in_chain) return Failure("not in the viewer chain");
    state.hold_on_change_ms = ms;
    return Json().Bool("ok", true).Text();
}

// plan-clip DELAY TEXT [DELAY TEXT]...: at the next clipboard notice, put each TEXT on the
// clipboard DELAY milliseconds after that notice (event planned-set for each).
std::string PlanClipCommand(State& state, const Args& args) {
    if (args.size() < 3 || args.size() % 2 == 0) return Failure("usage: plan-clip DELAY TEXT...");
    if (!state.in_chain) return Failure("not in the viewer chain");
    std::vector<State::PlannedSet> plan;
    for (size_t i = 1; i + 1 < args.size(); i += 2) {
        int64_t delay = 0;
        if (!ParseInt(args[i], &delay) || delay < 0 || delay > 600000)
            return Failure("bad delay " + Utf8(args[i]));
        plan.push_back({static_cast<DWORD>(delay), args[i + 1]});
    }
    state.planned_sets = std::move(plan);
    return Json().Bool("ok", true).Text();
}

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

// swallow: from now on no clipboard notice is passed on, as a badly written viewer has it.
std::string SwallowCommand(State& state, const Args&) {
    if (!state.in_chain) return Failure("not in the viewer chain");
    state.swallow_notices = true;
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
            OnClipboardNotice(state);
            DWORD_PTR ignored = 0;
            if (state.next_viewer && !state.swallow_notices) {
                // Whether the next viewer answered in time: a viewer that blocks while it
                // passes the notice on holds up every viewer before it.
                const bool answered =
                    SendMessageTimeoutW(state.next_viewer, msg, wparam, lparam, SMTO_ABORTIFHUNG,
                                        kPassOnTimeoutMs, &ignored) != 0;
                WriteLine(Event("passed-on").Bool("answered", answered).Text());
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
        case WM_RENDERFORMAT:
            if (!state.hang_on_render && state.render_specs.empty()) return false;
            WriteLine(Event("renderformat").Uint("format", static_cast<UINT>(wparam)).Text());
            if (state.hang_on_render) Sleep(INFINITE);
            RenderOffered(state, static_cast<UINT>(wparam));
            *result = 0;
            return true;
        case kBlockMessage:
            Sleep(static_cast<DWORD>(wparam));
            WriteLine(Event("unblocked").Text());
            *result = 0;
            return true;
        case WM_HOTKEY:
            WriteLine(Event("hotkey")
                          .Int("id", static_cast<int64_t>(wparam))
                          .Int("mod", LOWORD(lparam))
                          .Int("vk", HIWORD(lparam))
                          .Text());
            *result = 0;
            return true;
        case WM_TIMER:
            if (RunPlannedSet(state, wparam)) {
                *result = 0;
                return true;
            }
            if (wparam != kHoldTimer) return false;
            EndHold(state);
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
