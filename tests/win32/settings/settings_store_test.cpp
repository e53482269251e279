// The three registry operations against the real (Wine) registry, and through the
// fake for what this registry cannot show: keys refused for want of access rights,
// and calls the system fails.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fake_registry.h"
#include "platform/error.h"
#include "platform/text.h"

namespace nimbara {
namespace {

using testing::DeleteTree;
using testing::FakeRegistry;
using testing::KeyExists;
using testing::ReadStored;
using testing::SeedKey;
using testing::SeedValue;

constexpr char kTestKey[] = "SOFTWARE\\NimbaraTests\\Store";
constexpr char kMissingKey[] = "SOFTWARE\\NimbaraTests\\Store\\Missing\\Deeper";

// The error message a call raised, or nullopt when it raised none.
template <typename F>
std::optional<std::wstring> ErrorOf(F&& call) {
    try {
        call();
    } catch (const AppError& e) {
        return e.message();
    }
    return std::nullopt;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NimbaraTests"); }
    void TearDown() override { DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NimbaraTests"); }
    RegistryApi& registry_ = SystemRegistry();
};

TEST_F(SettingsStoreTest, ReadsTextValues) {
    struct Case {
        const char* name;
        DWORD type;
        std::string data;  // the raw bytes stored, NUL included where there is one
        std::string text;
    };
    const std::vector<Case> cases = {
        {"plain", REG_SZ, std::string("86\0", 3), "86"},
        {"empty", REG_SZ, std::string("\0", 1), ""},
        {"no data at all", REG_SZ, "", ""},
        {"NUL inside", REG_SZ, std::string("C:\\a.exe\0junk\0", 14), "C:\\a.exe"},
        {"no terminating NUL", REG_SZ, "81", "81"},
        {"expand text unexpanded", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15),
         "%SystemRoot%\\x"},
        {"code page 936 bytes", REG_SZ, std::string("C:\\\xD6\xD0\xCE\xC4\\N.exe\0", 14),
         "C:\\\xD6\xD0\xCE\xC4\\N.exe"},
    };
    for (const Case& c : cases) {
        SeedValue(HKEY_LOCAL_MACHINE, kTestKey, c.name, c.type, c.data);
        EXPECT_EQ(ReadRegString(registry_, HKEY_LOCAL_MACHINE, kTestKey, c.name), c.text) << c.name;
    }
}

TEST_F(SettingsStoreTest, MissingKeyOrValueReadsEmptyAndCreatesNothing) {
    EXPECT_EQ(ReadRegString(registry_, HKEY_LOCAL_MACHINE, kMissingKey, "HotKeyShift"), "");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMissingKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\NimbaraTests\\Store"));

    SeedKey(HKEY_LOCAL_MACHINE, kTestKey);
    EXPECT_EQ(ReadRegString(registry_, HKEY_LOCAL_MACHINE, kTestKey, "HotKeyShift"), "");
    EXPECT_FALSE(ReadStored(HKEY_LOCAL_MACHINE, kTestKey, "HotKeyShift").exists);
}

TEST_F(SettingsStoreTest, ValuesOfOtherTypesRaiseInvalidDataType) {
    struct Case {
        const char* name;
        DWORD type;
        std::string data;
    };
    const std::vector<Case> cases = {
        {"HotKeyShift", REG_DWORD, std::string("\x02\0\0\0", 4)},
        {"Nimbara", REG_DWORD, std::string("\x01\0\0\0", 4)},
        {"Binary", REG_BINARY, "\x01\x02"},
        {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"Qword", REG_QWORD, std::string(8, '\0')},
    };
    for (const Case& c : cases) {
        SeedValue(HKEY_LOCAL_MACHINE, kTestKey, c.name, c.type, c.data);
        const auto error =
            ErrorOf([&] { (void)ReadRegString(registry_, HKEY_LOCAL_MACHINE, kTestKey, c.name); });
        EXPECT_EQ(error, L"Invalid data type for '" + AnsiToWide(c.name) + L"'") << c.name;
    }
}

TEST_F(SettingsStoreTest, WriteCreatesMissingKeysAndStoresRegSzWithItsNul) {
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMissingKey));
    EXPECT_EQ(WriteRegString(registry_, HKEY_LOCAL_MACHINE, kMissingKey, "HotKeyChar", "81"),
              ERROR_SUCCESS);
    const auto stored = ReadStored(HKEY_LOCAL_MACHINE, kMissingKey, "HotKeyChar");
    EXPECT_TRUE(stored.exists);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.bytes, std::string("81\0", 3));
}

TEST_F(SettingsStoreTest, WriteReplacesAValueOfAnyTypeAndReadsBackByteForByte) {
    SeedValue(HKEY_LOCAL_MACHINE, kTestKey, "HotKeyShift", REG_DWORD, std::string(4, '\0'));
    const std::vector<std::string> texts = {"0", "65535", "", "\"C:\\Program Files\\N.exe\"",
                                            "C:\\\xD6\xD0\xCE\xC4\\N.exe"};
    for (const std::string& text : texts) {
        EXPECT_EQ(WriteRegString(registry_, HKEY_LOCAL_MACHINE, kTestKey, "HotKeyShift", text),
                  ERROR_SUCCESS);
        EXPECT_EQ(ReadStored(HKEY_LOCAL_MACHINE, kTestKey, "HotKeyShift").type,
                  static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(ReadRegString(registry_, HKEY_LOCAL_MACHINE, kTestKey, "HotKeyShift"), text);
    }
}

TEST_F(SettingsStoreTest, DeleteRemovesTheValueAndIsSilentWhenThereIsNone) {
    SeedValue(HKEY_LOCAL_MACHINE, kTestKey, "Nimbara", REG_SZ, std::string("x\0", 2));
    SeedValue(HKEY_LOCAL_MACHINE, kTestKey, "Other", REG_SZ, std::string("y\0", 2));
    EXPECT_EQ(DeleteRegValue(registry_, HKEY_LOCAL_MACHINE, kTestKey, "Nimbara"), ERROR_SUCCESS);
    EXPECT_FALSE(ReadStored(HKEY_LOCAL_MACHINE, kTestKey, "Nimbara").exists);
    EXPECT_TRUE(ReadStored(HKEY_LOCAL_MACHINE, kTestKey, "Other").exists);

    EXPECT_EQ(DeleteRegValue(registry_, HKEY_LOCAL_MACHINE, kTestKey, "Nimbara"), ERROR_SUCCESS);
    EXPECT_EQ(DeleteRegValue(registry_, HKEY_LOCAL_MACHINE, kMissingKey, "Nimbara"), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kMissingKey));
}

// A removal error names the key where the registry editor shows it: for this 32-bit
// program on 64-bit Windows, the machine's SOFTWARE is WOW6432Node.
TEST_F(SettingsStoreTest, KeyNamesAreWhereTheRegistryEditorFindsTheValue) {
    SeedValue(HKEY_LOCAL_MACHINE, kTestKey, "Nimbara", REG_SZ, std::string("x\0", 2));
    const std::wstring name = RegistryKeyName(HKEY_LOCAL_MACHINE, kTestKey);
    EXPECT_EQ(name.rfind(L"HKEY_LOCAL_MACHINE\\", 0), 0u) << name;
    HKEY key = nullptr;  // in the native view, the editor's
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, name.substr(name.find(L'\\') + 1).c_str(), 0,
                              KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegQueryValueExW(key, L"Nimbara", nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

// --- Through the fake: refusals and failures the real registry does not produce here.

class RefusedKeyTest : public ::testing::Test {
protected:
    FakeRegistry fake_{"Software\\NimbaraTests\\Fake"};
    std::string Stored(const char* name) {
        return ReadStored(HKEY_CURRENT_USER, fake_.Redirected(HKEY_LOCAL_MACHINE, kRunKey), name)
            .bytes;
    }
};

TEST_F(RefusedKeyTest, RefusedKeyReadsEmptyWriteGivesTheRefusalDeleteIsSilent) {
    SeedValue(HKEY_CURRENT_USER, fake_.Redirected(HKEY_LOCAL_MACHINE, kRunKey), kRunValue, REG_SZ,
              std::string("C:\\N.exe\0", 9));
    fake_.refused_paths.insert(kRunKey);
    std::optional<std::wstring> error;
    std::string text = "unread";
    LSTATUS written = ERROR_SUCCESS;
    error = ErrorOf([&] { text = ReadRegString(fake_, HKEY_LOCAL_MACHINE, kRunKey, kRunValue); });
    EXPECT_EQ(error, std::nullopt);
    EXPECT_EQ(text, "");
    error = ErrorOf(
        [&] { written = WriteRegString(fake_, HKEY_LOCAL_MACHINE, kRunKey, kRunValue, "D"); });
    EXPECT_EQ(error, std::nullopt);
    EXPECT_EQ(written, ERROR_ACCESS_DENIED);
    // Not even readable here: the program cannot see the value, so it has none to remove.
    EXPECT_EQ(DeleteRegValue(fake_, HKEY_LOCAL_MACHINE, kRunKey, kRunValue), ERROR_SUCCESS);
    EXPECT_EQ(Stored(kRunValue), std::string("C:\\N.exe\0", 9));
    ASSERT_EQ(fake_.calls.size(), 4u) << "only the opens were tried";
}

TEST_F(RefusedKeyTest, FailedCallsRaiseTheirErrorsAndCloseTheKey) {
    SeedValue(HKEY_CURRENT_USER, fake_.Redirected(HKEY_LOCAL_MACHINE, kNimbaraKey), "HotKeyChar",
              REG_SZ, std::string("81\0", 3));
    struct Case {
        const char* name;
        int fail_call;  // open is call 1
        std::function<void()> operation;
        std::optional<std::wstring> error;
    };
    const std::vector<Case> cases = {
        {"size query fails: the value reads as missing", 2,
         [&] {
             EXPECT_EQ(ReadRegString(fake_, HKEY_LOCAL_MACHINE, kNimbaraKey, "HotKeyChar"), "");
         },
         std::nullopt},
        {"fetch fails after the size", 3,
         [&] { (void)ReadRegString(fake_, HKEY_LOCAL_MACHINE, kNimbaraKey, "HotKeyChar"); },
         L"Failed to get data for 'HotKeyChar'"},
        {"set refused", 2,
         [&] { (void)WriteRegString(fake_, HKEY_LOCAL_MACHINE, kNimbaraKey, "HotKeyShift", "2"); },
         L"Failed to set data for 'HotKeyShift'"},
        {"delete refused: the value stays and the refusal is given", 2,
         [&] {
             EXPECT_EQ(DeleteRegValue(fake_, HKEY_LOCAL_MACHINE, kNimbaraKey, "HotKeyChar"),
                       ERROR_ACCESS_DENIED);
         },
         std::nullopt},
    };
    for (const Case& c : cases) {
        fake_.calls.clear();
        fake_.fail_call = c.fail_call;
        EXPECT_EQ(ErrorOf(c.operation), c.error) << c.name;
        EXPECT_EQ(fake_.open_keys, 0) << c.name;
        EXPECT_EQ(fake_.calls.back().op, "close") << c.name;
    }
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, fake_.Redirected(HKEY_LOCAL_MACHINE, kNimbaraKey),
                            "HotKeyShift")
                     .exists);
    EXPECT_EQ(ReadRegString(fake_, HKEY_LOCAL_MACHINE, kNimbaraKey, "HotKeyChar"), "81");
}

// Where the machine's key can be written (an elevated run, Wine), an older value of
// the user's, which would be read first, goes.
TEST_F(RefusedKeyTest, AValueStoredForTheMachineReplacesTheUsersOwn) {
    const std::string user_run = fake_.Redirected(HKEY_CURRENT_USER, kRunKey);
    SeedValue(HKEY_CURRENT_USER, user_run, kRunValue, REG_SZ, std::string("old\0", 4));
    StoreSetting(fake_, kRunKey, kRunValue, "new");
    EXPECT_EQ(ReadSetting(fake_, kRunKey, kRunValue), "new");
    EXPECT_FALSE(ReadStored(HKEY_CURRENT_USER, user_run, kRunValue).exists);
}

}  // namespace
}  // namespace nimbara
