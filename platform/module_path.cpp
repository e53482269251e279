#include "platform/module_path.h"

#include <windows.h>

namespace nimbara {

std::string ExecutablePathAnsi() {
    // MAX_PATH and its NUL first; a result that fills the buffer may have been cut,
    // so the buffer grows until the whole path fits.
    std::string path(MAX_PATH + 1, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), size);
        if (length == 0) return {};
        if (length < size) {
            path.resize(length);
            return path;
        }
        if (size >= 32768) return {};  // past the longest path the system allows
        path.resize(path.size() * 2);
    }
}

}  // namespace nimbara
