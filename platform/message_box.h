// Message boxes that come up without taking the keyboard: the program reports from the
// background (a capture fails while the user types elsewhere), and keys meant for the
// user's own program must not land on the box's OK button.
#pragma once

#include <windows.h>

namespace nimbara {

// MessageBoxW, except that the box does not activate itself while a window of another
// program is in the foreground. Once up, it is reached as any window is: a click, Alt+Tab,
// the taskbar. With MB_TASKMODAL the program's other windows are disabled until it is
// answered, by the mouse or the keyboard.
int MessageBoxAside(const wchar_t* text, const wchar_t* caption, UINT type);

}  // namespace nimbara
