// One window-procedure trampoline for every window of the program. The object
// pointer arrives through lpCreateParams at WM_NCCREATE, is kept with the window,
// and every message goes to OnMessage. Whatever OnMessage throws is caught at the
// boundary and handed to the error report: no exception crosses into Win32.
#pragma once

#include <windows.h>

namespace nimbara {

struct DesignedWindow;
struct LayoutScale;

struct WindowSpec {
    const wchar_t* class_name = nullptr;
    const wchar_t* text = L"";
    DWORD style = 0;
    DWORD ex_style = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;  // owner for top-level windows
    UINT id = 0;            // control id for child windows
};

// A visible child of `parent` filling `place` of its client area.
[[nodiscard]] WindowSpec ChildSpec(const wchar_t* class_name, HWND parent, UINT id, RECT place,
                                   const wchar_t* text = L"", DWORD extra_style = 0) noexcept;

struct WindowClassSpec {
    const wchar_t* name = nullptr;
    UINT style = 0;
    HCURSOR cursor = nullptr;  // nullptr: the arrow
    HBRUSH background = nullptr;
    HICON icon = nullptr;
};

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    [[nodiscard]] HWND hwnd() const noexcept { return hwnd_; }

    // Destroys the window now; later messages for it never reach this object.
    void Destroy() noexcept;

protected:
    // Registers a class served by the trampoline, once per process.
    static void RegisterClassOnce(const WindowClassSpec& spec);

    // Creates the window; throws AppError when the system refuses (no memory, no more
    // handles). Every window of the program is made this way, so a failure to build
    // one ends what was being built and reaches the error report like any other.
    void Create(const WindowSpec& spec);

    // Creates a designed top-level window (platform/layout.h) hidden, owned by `owner`,
    // on the dialog face colour; its class is registered at the first one.
    void CreateDesigned(const DesignedWindow& design, LayoutScale scale, HWND owner);

    // Handles one message; may throw. Unhandled messages go to DefaultProc.
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) = 0;

    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) noexcept {
        return ::DefWindowProcW(hwnd_, msg, wp, lp);
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    HWND hwnd_ = nullptr;
};

// Creates a standard or common control as a child; it lives as long as its parent.
// Throws AppError when the system refuses, as Window::Create does.
HWND CreateControl(const WindowSpec& spec);

// True for an existing window of another process: the user's own programs, as against
// this program's windows and the absence of any.
[[nodiscard]] bool BelongsToAnotherProcess(HWND window) noexcept;

// Lets `message` reach `window` from processes of a lower integrity level, which
// Windows otherwise filters out when the program runs elevated. False when the
// system refused; Windows 7's user32 is the first to have the per-window call.
[[nodiscard]] bool AllowMessageFromLowerIntegrity(HWND window, UINT message) noexcept;

}  // namespace nimbara
