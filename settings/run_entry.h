// The start-with-Windows entry: the text stored as value Nimbara under the system's
// ...\CurrentVersion\Run key.
#pragma once

#include <string>
#include <string_view>

namespace nimbara {

// The executable's path as the Run entry. A path holding a blank or a tab is wrapped
// in double quotes: left bare, Windows would split it at the first blank at logon and
// could start C:\Program.exe instead. A path already in quotes is kept as it is.
std::string RunEntryForPath(std::string_view exe_path_ansi);

}  // namespace nimbara
