// The probe: a small Win32 program the tests run inside Wine to look at windows, the clipboard,
// the viewer chain and hotkeys from a Windows program's point of view.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace probe {

using Args = std::vector<std::wstring>;  // the command word first

// What the probe holds between commands; one per process, owned by wmain.
struct State {
    HWND window = nullptr;  // hidden top-level window: clipboard owner, viewer, hotkey target
    bool serving = false;   // answers commands from stdin until quit or end of input
    bool in_chain = false;
    HWND next_viewer = nullptr;
    bool swallow_notices = false;  // passes no clipboard notice on
    std::vector<int> hotkeys;      // ids registered on window
    int next_hotkey_id = 1;
    bool holding_clipboard = false;
    // Owns the clipboard with formats rendered on demand, and never returns from the
    // request to render one.
    bool hang_on_render = false;
    // Formats offered for rendering on demand by clip-render, each with the FORMAT=VALUE that
    // renders it; rendered after render_delay_ms (never when negative). swap_spec, when set, is put
    // on the clipboard first at the first request to render, in place of what was there.
    std::vector<std::pair<UINT, std::wstring>> render_specs;
    int64_t render_delay_ms = 0;
    std::wstring swap_spec;
    std::vector<HWND> swatches;  // coloured windows shown for screen checks
    // Armed for the next clipboard notice: hold the clipboard open this long (ms) before the
    // notice goes on down the chain; -1 when not armed.
    int64_t hold_on_change_ms = -1;
    // Armed for the next clipboard notice: texts to put on the clipboard, each a given time
    // after that notice.
    struct PlannedSet {
        DWORD delay_ms;
        std::wstring text;
    };
    std::vector<PlannedSet> planned_sets;
    std::vector<PlannedSet> running_sets;
    bool quit = false;
};

constexpr UINT_PTR kHoldTimer = 1;
constexpr UINT kBlockMessage = WM_APP + 1;  // wParam: how long the window's thread blocks (ms)
constexpr UINT_PTR kPlannedSetTimerBase = 100;

[[nodiscard]] bool ParseInt(const std::wstring& text, int64_t* value);
[[nodiscard]] bool ParseHwnd(const std::wstring& text, HWND* hwnd);

// Dispatches window messages (not commands) for ms milliseconds.
void PumpFor(DWORD ms);

// Text of any window, asked the way a screen reader asks (WM_GETTEXT with a timeout).
std::wstring WindowText(HWND hwnd);
std::wstring ClassOf(HWND hwnd);

std::string WindowsCommand(State& state, const Args& args);
std::string ChildrenCommand(State& state, const Args& args);
std::string FindCommand(State& state, const Args& args);
std::string ForegroundCommand(State& state, const Args& args);
std::string SendCommand(State& state, const Args& args);
std::string PostCommand(State& state, const Args& args);
std::string IdleCommand(State& state, const Args& args);
std::string ActivateCommand(State& state, const Args& args);
std::string EditTextCommand(State& state, const Args& args);
std::string PixelCommand(State& state, const Args& args);
std::string GrabCommand(State& state, const Args& args);
std::string ScreenCommand(State& state, const Args& args);
std::string SwatchCommand(State& state, const Args& args);
std::string UnswatchCommand(State& state, const Args& args);

std::string ClipSetCommand(State& state, const Args& args);
std::string ClipDumpCommand(State& state, const Args& args);
std::string ClipEmptyCommand(State& state, const Args& args);
std::string ClipHoldCommand(State& state, const Args& args);
std::string ClipCountCommand(State& state, const Args& args);
std::string ClipDelayedCommand(State& state, const Args& args);
std::string ClipRenderCommand(State& state, const Args& args);
// Renders a format that clip-render offered, as WM_RENDERFORMAT asks.
void RenderOffered(State& state, UINT format);

std::string HostileCommand(State& state, const Args& args);
std::string FloodCommand(State& state, const Args& args);
std::string ClipChangeHoldCommand(State& state, const Args& args);
std::string BigBlocksCommand(State& state, const Args& args);
std::string NarrowRoomCommand(State& state, const Args& args);
std::string ProcStatsCommand(State& state, const Args& args);
std::string ForgeCommand(State& state, const Args& args);
std::string EndChildrenCommand(State& state, const Args& args);

std::string JoinCommand(State& state, const Args& args);
std::string LeaveCommand(State& state, const Args& args);
std::string SwallowCommand(State& state, const Args& args);
std::string HangCommand(State& state, const Args& args);
std::string HotkeyCommand(State& state, const Args& args);
std::string UnhotkeyCommand(State& state, const Args& args);
std::string HoldOnChangeCommand(State& state, const Args& args);
std::string ReleaseHoldCommand(State& state, const Args& args);
std::string PlanClipCommand(State& state, const Args& args);

std::string TextCommand(State& state, const Args& args);
std::string ToolbarCommand(State& state, const Args& args);
std::string IconOfCommand(State& state, const Args& args);
std::string MoveCommand(State& state, const Args& args);
std::string FontCommand(State& state, const Args& args);
std::string SysColorCommand(State& state, const Args& args);

// Messages of the hidden window that belong to the viewer chain, hotkeys and the clipboard hold.
[[nodiscard]] bool HandleWindowMessage(State& state, UINT msg, WPARAM wparam, LPARAM lparam,
                                       LRESULT* result);
void LeaveChain(State& state);

}  // namespace probe
