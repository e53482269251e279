#include "settings/settings_store.h"

#include <algorithm>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"

namespace nimbara {

namespace {

// Every open asks for full access, for reading and deleting as much as for writing:
// an account without write access to the key neither reads nor stores settings.
constexpr REGSAM kFullAccess = KEY_ALL_ACCESS;

[[noreturn]] void ThrowValueError(const wchar_t* format_head, const char* name) {
    throw AppError(format_head + AnsiToWide(name) + L"'");
}

// The bytes up to the first NUL, or all of them when the data holds none: a value
// stored without its terminating NUL is never read past its end.
std::string TextOfData(const std::vector<BYTE>& data, DWORD size) {
    const auto end = data.begin() + std::min<std::size_t>(size, data.size());
    return std::string(data.begin(), std::find(data.begin(), end, BYTE{0}));
}

}  // namespace

std::string ReadRegString(RegistryApi& registry, HKEY root, const char* key_path,
                          const char* name) {
    const RegKey key = OpenRegKey(registry, root, key_path, kFullAccess);
    if (!key) return {};
    DWORD type = 0;
    DWORD size = 0;
    if (registry.QueryValue(key.get(), name, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return {};
    std::vector<BYTE> data(size);
    if (registry.QueryValue(key.get(), name, &type, data.data(), &size) != ERROR_SUCCESS)
        ThrowValueError(L"Failed to get data for '", name);
    if (type != REG_SZ && type != REG_EXPAND_SZ) ThrowValueError(L"Invalid data type for '", name);
    return TextOfData(data, size);
}

void WriteRegString(RegistryApi& registry, HKEY root, const char* key_path, const char* name,
                    std::string_view text) {
    const RegKey key = CreateRegKey(registry, root, key_path, kFullAccess);
    if (!key) return;
    // REG_SZ counts its terminating NUL in the data.
    std::string data(text);
    const auto size = static_cast<DWORD>(data.size() + 1);
    if (registry.SetValue(key.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          size) != ERROR_SUCCESS)
        ThrowValueError(L"Failed to set data for '", name);
}

void DeleteRegValue(RegistryApi& registry, HKEY root, const char* key_path, const char* name) {
    const RegKey key = OpenRegKey(registry, root, key_path, kFullAccess);
    if (!key) return;
    // A value that is not there is already what the caller wants.
    static_cast<void>(registry.DeleteValue(key.get(), name));
}

}  // namespace nimbara
