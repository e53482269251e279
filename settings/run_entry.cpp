#include "settings/run_entry.h"

namespace nimbara {

std::string RunEntryForPath(std::string_view exe_path_ansi) {
    // Stays on bytes: the path is GetModuleFileNameA's ANSI text. Looking for blanks,
    // tabs and quotes byte by byte is safe in double-byte code pages because their
    // trail bytes start at 0x40 (0x40..0xFE in code page 936).
    const bool quoted =
        exe_path_ansi.size() >= 2 && exe_path_ansi.front() == '"' && exe_path_ansi.back() == '"';
    const bool has_blank = exe_path_ansi.find_first_of(" \t") != std::string_view::npos;
    if (quoted || !has_blank) return std::string(exe_path_ansi);
    std::string entry;
    entry.reserve(exe_path_ansi.size() + 2);
    entry += '"';
    entry += exe_path_ansi;
    entry += '"';
    return entry;
}

}  // namespace nimbara
