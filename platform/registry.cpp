#include "platform/registry.h"

#include <cstring>
#include <string>

#include "platform/text.h"

namespace nimbara {

namespace {

bool RunsUnderWow64() noexcept {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

class Win32Registry final : public RegistryApi {
public:
    LSTATUS OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) override {
        return ::RegOpenKeyExA(root, path, 0, access, key);
    }
    LSTATUS CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key) override {
        return ::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                 key, nullptr);
    }
    LSTATUS QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override {
        return ::RegQueryValueExA(key, name, nullptr, type, data, size);
    }
    LSTATUS SetValue(HKEY key, const char* name, DWORD type, const BYTE* data,
                     DWORD size) override {
        return ::RegSetValueExA(key, name, 0, type, data, size);
    }
    LSTATUS DeleteValue(HKEY key, const char* name) override {
        return ::RegDeleteValueA(key, name);
    }
    void CloseKey(HKEY key) noexcept override { ::RegCloseKey(key); }
};

}  // namespace

RegistryApi& SystemRegistry() {
    static Win32Registry registry;
    return registry;
}

RegKey OpenRegKey(RegistryApi& api, HKEY root, const char* path, REGSAM access) {
    LSTATUS status = ERROR_SUCCESS;
    return OpenRegKey(api, root, path, access, status);
}

RegKey OpenRegKey(RegistryApi& api, HKEY root, const char* path, REGSAM access, LSTATUS& status) {
    HKEY key = nullptr;
    status = api.OpenKey(root, path, access, &key);
    if (status != ERROR_SUCCESS || !key) return RegKey();
    return RegKey(api, key);
}

RegKey CreateRegKey(RegistryApi& api, HKEY root, const char* path, REGSAM access, LSTATUS& status) {
    HKEY key = nullptr;
    status = api.CreateKey(root, path, access, &key);
    if (status != ERROR_SUCCESS || !key) return RegKey();
    return RegKey(api, key);
}

std::wstring RegistryKeyName(HKEY root, const char* path) {
    constexpr char kSoftware[] = "SOFTWARE\\";
    std::string tail(path);
    const bool machine = root == HKEY_LOCAL_MACHINE;
    if (machine && RunsUnderWow64() && _strnicmp(path, kSoftware, sizeof(kSoftware) - 1) == 0)
        tail.insert(sizeof(kSoftware) - 1, "WOW6432Node\\");
    return (machine ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + AnsiToWide(tail);
}

}  // namespace nimbara
