// Message boxes that come up without taking the keyboard: the program reports from the
// background (a capture fails while the user types elsewhere), and keys meant for the
// user's own program must not land on the box's OK button.
#pragma once

#include <windows.h>

#include <string>

namespace nimbara {

// MessageBoxW, except that the box does not activate itself while a window of another
// program is in the foreground. Once up, it is reached as any window is: a click, Alt+Tab,
// the taskbar. With MB_TASKMODAL the program's other windows are disabled until it is
// answered, by the mouse or the keyboard.
int MessageBoxAside(const wchar_t* text, const wchar_t* caption, UINT type);

// One box at a time for each text: a box runs a nested message loop in which the same
// event can come again, and a text already up is not shown twice (0 then), while a
// different text still gets a box of its own.
int MessageBoxAsideOnce(const std::wstring& text, const wchar_t* caption, UINT type);

}  // namespace nimbara
