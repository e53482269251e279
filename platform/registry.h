// The registry, behind a small interface so that tests can refuse an open or fail
// a call. The ANSI calls are used on purpose: the stored texts (the hotkey numbers,
// the executable's path) are bytes of the ANSI code page and are kept as such.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace nimbara {

class RegistryApi {
public:
    virtual ~RegistryApi() = default;
    [[nodiscard]] virtual LSTATUS OpenKey(HKEY root, const char* path, REGSAM access,
                                          HKEY* key) = 0;
    // Opens the key, creating it and any missing keys on its path.
    [[nodiscard]] virtual LSTATUS CreateKey(HKEY root, const char* path, REGSAM access,
                                            HKEY* key) = 0;
    // With data nullptr, gives only the type and the size.
    [[nodiscard]] virtual LSTATUS QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data,
                                             DWORD* size) = 0;
    [[nodiscard]] virtual LSTATUS SetValue(HKEY key, const char* name, DWORD type, const BYTE* data,
                                           DWORD size) = 0;
    [[nodiscard]] virtual LSTATUS DeleteValue(HKEY key, const char* name) = 0;
    virtual void CloseKey(HKEY key) noexcept = 0;
};

// The real registry.
RegistryApi& SystemRegistry();

// An open key, closed through the interface that opened it.
class RegKey {
public:
    RegKey() noexcept = default;
    RegKey(RegistryApi& api, HKEY key) noexcept : api_(&api), key_(key) {}
    RegKey(RegKey&& other) noexcept : api_(other.api_), key_(std::exchange(other.key_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            Close();
            api_ = other.api_;
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { Close(); }

    [[nodiscard]] HKEY get() const noexcept { return key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }

private:
    void Close() noexcept {
        if (key_) api_->CloseKey(std::exchange(key_, nullptr));
    }

    RegistryApi* api_ = nullptr;
    HKEY key_ = nullptr;
};

// The key opened (or, with CreateRegKey, opened or created) with `access`; an
// empty owner when the system refused. The forms with `status` also give the
// system's answer, which says why (a key missing, or refused).
[[nodiscard]] RegKey OpenRegKey(RegistryApi& api, HKEY root, const char* path, REGSAM access);
[[nodiscard]] RegKey OpenRegKey(RegistryApi& api, HKEY root, const char* path, REGSAM access,
                                LSTATUS& status);
[[nodiscard]] RegKey CreateRegKey(RegistryApi& api, HKEY root, const char* path, REGSAM access,
                                  LSTATUS& status);

// The key's full name as the registry editor shows it, for telling the user where a
// value is: a 32-bit program on 64-bit Windows that names HKEY_LOCAL_MACHINE\SOFTWARE\X
// reaches HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\X. The user's SOFTWARE keys used here
// are not redirected.
[[nodiscard]] std::wstring RegistryKeyName(HKEY root, const char* path);

}  // namespace nimbara
