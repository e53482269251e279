// A registry for tests: every call goes to the real (Wine) registry, under a
// throw-away key of its own, and is logged. The registry here enforces no access
// rights, so the fake plays them: it can refuse HKEY_LOCAL_MACHINE to writers as
// Windows does for a standard user, refuse chosen keys altogether, and fail the
// Nth call.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace nimbara::testing {

struct RegistryCall {
    std::string op;      // "open", "create", "query", "set", "delete", "close"
    std::string detail;  // the key path or the value name
    REGSAM access = 0;
};

class FakeRegistry final : public RegistryApi {
public:
    // Every path lands under HKEY_CURRENT_USER\<sandbox>\<root's name>\.
    explicit FakeRegistry(std::string sandbox);
    ~FakeRegistry() override;

    LSTATUS OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) override;
    LSTATUS CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key) override;
    LSTATUS QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override;
    LSTATUS SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override;
    LSTATUS DeleteValue(HKEY key, const char* name) override;
    void CloseKey(HKEY key) noexcept override;

    // The sandbox's path for a key as the program names it, for seeding and checking.
    [[nodiscard]] std::string Redirected(HKEY root, const std::string& path) const;

    // A standard user under UAC: an HKEY_LOCAL_MACHINE key opened or created with
    // any right beyond reading gets ERROR_ACCESS_DENIED, one opened to read is given.
    bool machine_read_only = false;
    std::set<std::string> refused_paths;  // as the program names them, under either root
    int fail_call = 0;                    // 1-based number of the call to fail; 0: none
    LSTATUS failure = ERROR_ACCESS_DENIED;
    std::vector<RegistryCall> calls;
    int open_keys = 0;  // opened or created, not yet closed

private:
    [[nodiscard]] bool Fails();
    [[nodiscard]] LSTATUS Refusal(HKEY root, const char* path, REGSAM access);

    std::string sandbox_;
};

// Raw access to the sandbox for seeding and checking, bypassing the program's code.
void SeedValue(HKEY root, const std::string& key_path, const char* name, DWORD type,
               const std::string& bytes);
void SeedKey(HKEY root, const std::string& key_path);
[[nodiscard]] bool KeyExists(HKEY root, const std::string& key_path);
struct StoredValue {
    bool exists = false;
    DWORD type = 0;
    std::string bytes;
};
[[nodiscard]] StoredValue ReadStored(HKEY root, const std::string& key_path, const char* name);
void DeleteTree(HKEY root, const std::string& key_path);

}  // namespace nimbara::testing
