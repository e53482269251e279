// Small controls of the program's own: a picture box, a transparent label and a
// flat image button. Each is a real window whose text reads from outside. The pointer's
// stay over a control and a press on it are followed here once for every control.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/window.h"

namespace nimbara {

// Asks for a WM_MOUSELEAVE to `window` when the pointer leaves it.
bool TrackPointerLeave(HWND window);

enum class HoverStep : std::uint8_t { kNone, kEntered, kMoved, kLeft };

// The pointer's stay over a control, from its first move there to its leave: the leave
// is asked for once a stay.
class Hover {
public:
    // What WM_MOUSEMOVE and WM_MOUSELEAVE did to the stay; kNone for any other message.
    HoverStep OnMessage(HWND control, UINT msg);
    [[nodiscard]] bool over() const noexcept { return over_; }

private:
    bool over_ = false;
};

// What a panel or tile part tells its owner about the pointer.
struct PointerSink {
    std::function<void(HWND from)> moved;  // the pointer moved over `from`
    std::function<void(HWND from)> left;   // the pointer left `from`
};

// Reports the pointer's moves over `control` and its leave to `sink` (none: nothing is
// watched): the answer to WM_MOUSEMOVE and WM_MOUSELEAVE, nothing for any other message.
[[nodiscard]] std::optional<LRESULT> ReportPointer(HWND control, UINT msg, Hover& hover,
                                                   const PointerSink* sink);

enum class PressStep : std::uint8_t { kNone, kBegan, kEnded, kClicked, kLost };

// A press of the left button and its release, on a control that holds the mouse
// between the two: a release outside the control still arrives and ends the press
// without a click, and a release after a press elsewhere is no click.
class Press {
public:
    // What WM_LBUTTONDOWN, WM_LBUTTONUP and WM_CAPTURECHANGED did to the press; kNone for
    // any other message.
    PressStep OnMessage(HWND control, UINT msg, LPARAM lp);
    // A press that arrives otherwise, as the second press of a double click does.
    void Begin(HWND control);
    [[nodiscard]] bool down() const noexcept { return down_; }

private:
    bool down_ = false;
};

// A control clicked as a static control is: its own cursor, a press that holds the
// mouse, and a click at a release inside it.
class ClickableControl : public Window {
public:
    std::function<void()> on_left_down;
    std::function<void()> on_click;

protected:
    // Answers the cursor and press messages; nothing for any other message.
    [[nodiscard]] std::optional<LRESULT> OnPressMessage(UINT msg, LPARAM lp, HCURSOR cursor);

private:
    Press press_;
};

// Draws a bitmap stretched over its whole area; reports left-button presses and
// clicks (a press and a release both inside it).
class PictureBox : public ClickableControl {
public:
    void Create(HWND parent, UINT id, RECT place, HBITMAP bitmap, HCURSOR cursor = nullptr);

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    HBITMAP bitmap_ = nullptr;
    HCURSOR cursor_ = nullptr;  // nullptr: the arrow
};

struct LabelStyle {
    COLORREF color = CLR_INVALID;  // CLR_INVALID: the window-text colour
    HFONT font = nullptr;
    bool transparent = true;   // drawn over what its parent painted
    HCURSOR cursor = nullptr;  // nullptr: the arrow
};

// A one-line label; transparent labels sit on a parent that does not clip them.
class Label : public ClickableControl {
public:
    void Create(HWND parent, UINT id, RECT place, const wchar_t* text, LabelStyle style);

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc, RECT r);
    LabelStyle style_;
};

// A flat button showing a glyph centred, raised while the pointer is over it.
class FlatButton : public Window {
public:
    void Create(HWND parent, UINT id, RECT place, HBITMAP glyph);
    std::function<void()> on_click;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc, const RECT& r);
    HBITMAP glyph_ = nullptr;
    Hover hover_;
    Press press_;
};

}  // namespace nimbara
