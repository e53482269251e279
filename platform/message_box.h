// Message boxes that come up without taking the keyboard: the program reports from the
// background (a capture fails while the user types elsewhere), and keys meant for the
// user's own program must not land on the box's OK button.
#pragma once

#include <windows.h>

namespace nimbara {

// MessageBoxW, except that the box is not activated while a window of another program
// is in the foreground; a click on it activates it as usual.
int MessageBoxAside(const wchar_t* text, const wchar_t* caption, UINT type);

}  // namespace nimbara
