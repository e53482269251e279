#include "fake_registry.h"

namespace nimbara::testing {

namespace {

const char* RootName(HKEY root) {
    if (root == HKEY_LOCAL_MACHINE) return "HKLM";
    if (root == HKEY_CURRENT_USER) return "HKCU";
    return "OTHER";
}

}  // namespace

FakeRegistry::FakeRegistry(std::string sandbox) : sandbox_(std::move(sandbox)) {
    DeleteTree(HKEY_CURRENT_USER, sandbox_);
}

FakeRegistry::~FakeRegistry() { DeleteTree(HKEY_CURRENT_USER, sandbox_); }

std::string FakeRegistry::Redirected(HKEY root, const std::string& path) const {
    return sandbox_ + "\\" + RootName(root) + "\\" + path;
}

bool FakeRegistry::Fails() { return fail_call != 0 && static_cast<int>(calls.size()) == fail_call; }

LSTATUS FakeRegistry::Refusal(HKEY root, const char* path, REGSAM access) {
    if (Fails() || refused_paths.count(path)) return failure;
    constexpr REGSAM kReading = KEY_READ | KEY_WOW64_32KEY | KEY_WOW64_64KEY;
    if (machine_read_only && root == HKEY_LOCAL_MACHINE && (access & ~kReading) != 0)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

LSTATUS FakeRegistry::OpenKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
    calls.push_back({"open", path, access});
    if (const LSTATUS refusal = Refusal(root, path, access)) return refusal;
    const LSTATUS status =
        ::RegOpenKeyExA(HKEY_CURRENT_USER, Redirected(root, path).c_str(), 0, access, key);
    if (status == ERROR_SUCCESS) ++open_keys;
    return status;
}

LSTATUS FakeRegistry::CreateKey(HKEY root, const char* path, REGSAM access, HKEY* key) {
    calls.push_back({"create", path, access});
    if (const LSTATUS refusal = Refusal(root, path, access)) return refusal;
    const LSTATUS status =
        ::RegCreateKeyExA(HKEY_CURRENT_USER, Redirected(root, path).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, access, nullptr, key, nullptr);
    if (status == ERROR_SUCCESS) ++open_keys;
    return status;
}

LSTATUS FakeRegistry::QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
    calls.push_back({"query", name});
    if (Fails()) return failure;
    return ::RegQueryValueExA(key, name, nullptr, type, data, size);
}

LSTATUS FakeRegistry::SetValue(HKEY key, const char* name, DWORD type, const BYTE* data,
                               DWORD size) {
    calls.push_back({"set", name});
    if (Fails()) return failure;
    return ::RegSetValueExA(key, name, 0, type, data, size);
}

LSTATUS FakeRegistry::DeleteValue(HKEY key, const char* name) {
    calls.push_back({"delete", name});
    if (Fails()) return failure;
    return ::RegDeleteValueA(key, name);
}

void FakeRegistry::CloseKey(HKEY key) noexcept {
    calls.push_back({"close", ""});
    --open_keys;
    ::RegCloseKey(key);
}

void SeedKey(HKEY root, const std::string& key_path) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, key_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) == ERROR_SUCCESS)
        ::RegCloseKey(key);
}

void SeedValue(HKEY root, const std::string& key_path, const char* name, DWORD type,
               const std::string& bytes) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, key_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
}

bool KeyExists(HKEY root, const std::string& key_path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, key_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

StoredValue ReadStored(HKEY root, const std::string& key_path, const char* name) {
    StoredValue value;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, key_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.exists =
            ::RegQueryValueExA(key, name, nullptr, &value.type,
                               reinterpret_cast<BYTE*>(value.bytes.data()), &size) == ERROR_SUCCESS;
        value.bytes.resize(size);
    }
    ::RegCloseKey(key);
    return value;
}

void DeleteTree(HKEY root, const std::string& key_path) {
    ::RegDeleteTreeA(root, key_path.c_str());
    ::RegDeleteKeyA(root, key_path.c_str());
}

}  // namespace nimbara::testing
