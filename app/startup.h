// The program's entry and exit: one instance per logon session, the invisible
// application window that owns every other window, the hidden main window, the
// message loop of the one GUI thread, and the exit code, 0 on every path.
// Threads: the thread that runs this is the window thread, the only one that touches a
// window, a slot or the grid; the one other thread of the process is each clipboard
// reader's receiving thread (history/clip_reader.h), which hands it finished news.
#pragma once

#include <windows.h>

namespace nimbara {

int RunNimbara(HINSTANCE instance);

}  // namespace nimbara
