// Dialogs of the program's own, run modally on the program's one thread.
#pragma once

#include <windows.h>

namespace nimbara {

// Runs `dialog` modally: the owner's other windows are disabled and the thread's
// messages keep being dispatched (clipboard notices, timers, the hotkey) until
// `done` becomes true. Tab and arrow keys move between the dialog's controls.
void RunModal(HWND dialog, const bool& done);

}  // namespace nimbara
