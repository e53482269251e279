// What the program observes of a window before it records it as the place a paste goes,
// or types into it: plain facts, so that the decisions can be made, and tested, without
// a desktop.
#pragma once

#include <cstdint>
#include <string>

namespace nimbara {

// A key code that no keyboard sends and no program gives a meaning to: the paste-back
// types it to keep a hotkey's Alt release from being a lone one.
constexpr std::uint8_t kAltMaskKey = 0xE8;

// The mandatory integrity level of the window's process against this program's. Windows
// drops keys typed into a window of a higher level (UIPI) without telling anyone.
enum class Integrity : std::uint8_t {
    kNotAbove,  // the same or lower: typed keys arrive
    kAbove,     // run as administrator while this program is not
    kUnknown,   // its token could not be read: as good as above
};

struct WindowFacts {
    bool exists = false;
    bool own_process = false;  // one of this program's windows
    bool child = false;        // WS_CHILD: not a top-level window
    bool visible = false;
    bool cloaked = false;  // hidden by the window manager (another virtual desktop, a
                           // suspended app, a shell surface not shown)
    bool minimised = false;
    bool tool_window = false;  // WS_EX_TOOLWINDOW
    bool no_activate = false;  // WS_EX_NOACTIVATE
    bool desktop = false;      // the desktop window or the shell's window
    std::wstring class_name;
    Integrity integrity = Integrity::kNotAbove;
};

}  // namespace nimbara
