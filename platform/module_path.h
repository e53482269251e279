// The path of the running executable as the system reports it for the process's
// own module.
#pragma once

#include <string>

namespace nimbara {

// ANSI code page bytes, as GetModuleFileNameA gives them: the path is stored in the
// registry through the ANSI calls and must reach it unchanged. Never cut short: a
// path longer than MAX_PATH is fetched in full.
std::string ExecutablePathAnsi();

}  // namespace nimbara
