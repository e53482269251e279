// Small controls of the program's own: a picture box, a transparent label and a
// flat image button. Each is a real window whose text reads from outside.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/window.h"

namespace nimbara {

// A press of the left button and its release, on a control that holds the mouse
// between the two: a release outside the control still arrives and ends the press
// without a click, and a release after a press elsewhere is no click.
class Press {
public:
    void Begin(HWND control);                                 // WM_LBUTTONDOWN
    [[nodiscard]] bool EndsInClick(HWND control, LPARAM lp);  // WM_LBUTTONUP
    void Lost() noexcept { down_ = false; }                   // WM_CAPTURECHANGED
    [[nodiscard]] bool down() const noexcept { return down_; }

private:
    bool down_ = false;
};

// Draws a bitmap stretched over its whole area; reports left-button presses and
// clicks (a press and a release both inside it).
class PictureBox : public Window {
public:
    void Create(HWND parent, UINT id, RECT place, HBITMAP bitmap, HCURSOR cursor = nullptr);
    std::function<void()> on_left_down;
    std::function<void()> on_click;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    HBITMAP bitmap_ = nullptr;
    HCURSOR cursor_ = nullptr;  // nullptr: the arrow
    Press press_;
};

struct LabelStyle {
    COLORREF color = CLR_INVALID;  // CLR_INVALID: the window-text colour
    HFONT font = nullptr;
    bool transparent = true;   // drawn over what its parent painted
    HCURSOR cursor = nullptr;  // nullptr: the arrow
};

// A one-line label; transparent labels sit on a parent that does not clip them.
class Label : public Window {
public:
    void Create(HWND parent, UINT id, RECT place, const wchar_t* text, LabelStyle style);
    std::function<void()> on_left_down;
    std::function<void()> on_click;

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc, RECT r);
    LabelStyle style_;
    Press press_;
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
    bool hot_ = false;
    Press press_;
};

}  // namespace nimbara
