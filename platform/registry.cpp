#include "platform/registry.h"

namespace nimbara {

namespace {

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
    HKEY key = nullptr;
    if (api.OpenKey(root, path, access, &key) != ERROR_SUCCESS || !key) return RegKey();
    return RegKey(api, key);
}

RegKey CreateRegKey(RegistryApi& api, HKEY root, const char* path, REGSAM access, LSTATUS& status) {
    HKEY key = nullptr;
    status = api.CreateKey(root, path, access, &key);
    if (status != ERROR_SUCCESS || !key) return RegKey();
    return RegKey(api, key);
}

}  // namespace nimbara
