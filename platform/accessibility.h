// What assistive technology (Narrator, NVDA) is told of the program's own controls, through
// the standard WinEvents; a control's accessible name is its window text.
#pragma once

#include <windows.h>

namespace nimbara {

// `control` is now the selected item and has the focus of its group (EVENT_OBJECT_SELECTION
// and EVENT_OBJECT_FOCUS on its client object), so that a screen reader reads its name, even
// though the keyboard focus stays in another program's window.
void AnnounceSelected(HWND control) noexcept;

}  // namespace nimbara
