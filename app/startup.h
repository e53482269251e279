// The program's entry and exit: one instance per logon session, the invisible
// application window that owns every other window, the hidden main window, the
// message loop of the one GUI thread, and the exit code, 0 on every path.
#pragma once

#include <windows.h>

namespace nimbara {

int RunNimbara(HINSTANCE instance);

}  // namespace nimbara
