#include "settings/settings_store.h"

#include <algorithm>
#include <vector>

#include "platform/error.h"
#include "platform/text.h"

namespace nimbara {

namespace {

// Each open asks only for what its call needs: a standard user is refused any
// write access to HKEY_LOCAL_MACHINE, and asking for it in a read would hide the
// values an administrator stored there.
constexpr REGSAM kReadAccess = KEY_QUERY_VALUE;
constexpr REGSAM kWriteAccess = KEY_SET_VALUE;

[[noreturn]] void ThrowValueError(const wchar_t* format_head, const char* name) {
    throw AppError(format_head + AnsiToWide(name) + L"'");
}

// Said as a failed store is, with the key, which the user (or an administrator, for
// the machine's) can then find to remove the value by hand.
[[noreturn]] void ThrowRemovalError(HKEY root, const char* key_path, const char* name,
                                    LSTATUS status) {
    throw AppError(L"Failed to delete '" + AnsiToWide(name) + L"' from " +
                   RegistryKeyName(root, key_path) + L" (" +
                   SystemErrorText(static_cast<unsigned long>(status)) + L")");
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
    const RegKey key = OpenRegKey(registry, root, key_path, kReadAccess);
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

LSTATUS WriteRegString(RegistryApi& registry, HKEY root, const char* key_path, const char* name,
                       std::string_view text) {
    LSTATUS status = ERROR_SUCCESS;
    const RegKey key = CreateRegKey(registry, root, key_path, kWriteAccess, status);
    if (!key) return status == ERROR_SUCCESS ? ERROR_INVALID_HANDLE : status;
    // REG_SZ counts its terminating NUL in the data.
    std::string data(text);
    const auto size = static_cast<DWORD>(data.size() + 1);
    if (registry.SetValue(key.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          size) != ERROR_SUCCESS)
        ThrowValueError(L"Failed to set data for '", name);
    return ERROR_SUCCESS;
}

LSTATUS DeleteRegValue(RegistryApi& registry, HKEY root, const char* key_path, const char* name) {
    LSTATUS status = ERROR_SUCCESS;
    if (const RegKey key = OpenRegKey(registry, root, key_path, kWriteAccess, status)) {
        status = registry.DeleteValue(key.get(), name);
    }
    // A value that is not there is already what the caller wants. A refused open says
    // nothing about the value, so it is looked for with the right to read alone.
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    const RegKey readable = OpenRegKey(registry, root, key_path, kReadAccess);
    DWORD size = 0;
    if (!readable ||
        registry.QueryValue(readable.get(), name, nullptr, nullptr, &size) == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    return status;
}

std::string ReadSetting(RegistryApi& registry, const char* key_path, const char* name) {
    std::string text = ReadRegString(registry, HKEY_CURRENT_USER, key_path, name);
    if (text.empty()) text = ReadRegString(registry, HKEY_LOCAL_MACHINE, key_path, name);
    return text;
}

void StoreSetting(RegistryApi& registry, const char* key_path, const char* name,
                  std::string_view text) {
    if (WriteRegString(registry, HKEY_LOCAL_MACHINE, key_path, name, text) == ERROR_SUCCESS) {
        // Left in place, the user's older value would be read first at the next start
        // (and an older Run entry of the user's would start the program a second time).
        if (const LSTATUS status = DeleteRegValue(registry, HKEY_CURRENT_USER, key_path, name))
            ThrowRemovalError(HKEY_CURRENT_USER, key_path, name, status);
        return;
    }
    const LSTATUS status = WriteRegString(registry, HKEY_CURRENT_USER, key_path, name, text);
    if (status != ERROR_SUCCESS) {
        // Nowhere to keep the choice: saying nothing would pass the loss off as done.
        throw AppError(L"Failed to set data for '" + AnsiToWide(name) + L"' (" +
                       SystemErrorText(static_cast<unsigned long>(status)) + L")");
    }
}

void RemoveSetting(RegistryApi& registry, const char* key_path, const char* name) {
    // Both are tried: the user's own value goes even when the machine's must stay.
    const LSTATUS user = DeleteRegValue(registry, HKEY_CURRENT_USER, key_path, name);
    const LSTATUS machine = DeleteRegValue(registry, HKEY_LOCAL_MACHINE, key_path, name);
    if (user != ERROR_SUCCESS) ThrowRemovalError(HKEY_CURRENT_USER, key_path, name, user);
    if (machine != ERROR_SUCCESS) ThrowRemovalError(HKEY_LOCAL_MACHINE, key_path, name, machine);
}

}  // namespace nimbara
