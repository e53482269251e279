// The global hotkey against the real registration calls and the Wine registry.
#include "settings/hotkey.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fake_registry.h"
#include "fake_hotkeys.h"
#include "hidden_window.h"
#include "settings/settings_store.h"

namespace nimbara {
namespace {

using testing::FakeRegistry;
using testing::Held;
using testing::HiddenWindow;
using testing::SeedValue;

constexpr HotKey kCtrlQ{2, 81};

class GlobalHotKeyTest : public ::testing::Test {
protected:
    void Seed(const char* name, DWORD type, const std::string& data) {
        SeedValue(HKEY_CURRENT_USER, fake_.Redirected(HKEY_LOCAL_MACHINE, kNimbaraKey), name, type,
                  data);
    }
    FakeRegistry fake_{"Software\\NimbaraTests\\HotKey"};
    UniqueHwnd main_ = HiddenWindow();
};

TEST_F(GlobalHotKeyTest, LoadsTheStoredPairOrAltV) {
    const std::string dword_two("\x02\0\0\0", 4);
    struct Case {
        const char* name;
        std::optional<std::string> shift;  // REG_SZ text; nullopt: not stored
        std::optional<std::string> key;
        bool shift_as_dword = false;
        HotKey loaded;
    };
    const std::vector<Case> cases = {
        {"first run, nothing stored", std::nullopt, std::nullopt, false, kDefaultHotKey},
        {"Ctrl+Q", "2", "81", false, kCtrlQ},
        {"Shift+Alt+F9", "5", "120", false, {5, 120}},
        {"HotKeyChar missing", "4", std::nullopt, false, kDefaultHotKey},
        {"HotKeyShift a DWORD", std::nullopt, "81", true, kDefaultHotKey},
        {"low 16 bits", "1", "65622", false, {1, 86}},
        {"empty texts", "", "", false, kDefaultHotKey},
        {"trailing blank", "2 ", "81", false, kDefaultHotKey},
        {"hexadecimal", "$2", "0x51", false, kCtrlQ},
    };
    for (const Case& c : cases) {
        testing::DeleteTree(HKEY_CURRENT_USER, fake_.Redirected(HKEY_LOCAL_MACHINE, kNimbaraKey));
        if (c.shift) Seed(kHotKeyShiftValue, REG_SZ, *c.shift + '\0');
        if (c.shift_as_dword) Seed(kHotKeyShiftValue, REG_DWORD, dword_two);
        if (c.key) Seed(kHotKeyCharValue, REG_SZ, *c.key + '\0');
        GlobalHotKey hotkey(main_.get(), fake_);
        hotkey.LoadHotKey();
        EXPECT_EQ(hotkey.current(), c.loaded) << c.name;
    }
}

TEST_F(GlobalHotKeyTest, UnopenableKeyLoadsAltV) {
    Seed(kHotKeyShiftValue, REG_SZ, std::string("2\0", 2));
    Seed(kHotKeyCharValue, REG_SZ, std::string("81\0", 3));
    fake_.refused_paths.insert(kNimbaraKey);
    GlobalHotKey hotkey(main_.get(), fake_);
    hotkey.LoadHotKey();
    EXPECT_EQ(hotkey.current(), kDefaultHotKey);
}

TEST_F(GlobalHotKeyTest, ApplyRegistersForTheMainWindowAndReleaseFreesIt) {
    GlobalHotKey hotkey(main_.get(), fake_);
    hotkey.set_current(kCtrlQ);
    ASSERT_FALSE(Held(kCtrlQ));
    hotkey.ApplyHotKey();
    EXPECT_TRUE(Held(kCtrlQ));
    // The registration is the main window's, under id 1.
    EXPECT_TRUE(::UnregisterHotKey(main_.get(), kHotKeyId));
    EXPECT_FALSE(Held(kCtrlQ));

    hotkey.ApplyHotKey();
    hotkey.ReleaseHotKey();
    EXPECT_FALSE(Held(kCtrlQ));
    hotkey.ReleaseHotKey();  // nothing left to release: no harm
}

TEST_F(GlobalHotKeyTest, AHotKeyEndedWithoutAReleaseFreesItsCombinationToo) {
    {
        GlobalHotKey hotkey(main_.get(), fake_);
        hotkey.set_current(kCtrlQ);
        hotkey.ApplyHotKey();
        ASSERT_TRUE(Held(kCtrlQ));
    }
    EXPECT_FALSE(Held(kCtrlQ));
}

TEST_F(GlobalHotKeyTest, CombinationHeldElsewhereIsNotTakenAndNotReported) {
    const UniqueHwnd other = HiddenWindow();
    ASSERT_TRUE(::RegisterHotKey(other.get(), 1, kCtrlQ.modifiers, kCtrlQ.key));
    GlobalHotKey hotkey(main_.get(), fake_);
    hotkey.set_current(kCtrlQ);
    hotkey.ApplyHotKey();
    EXPECT_FALSE(::UnregisterHotKey(main_.get(), kHotKeyId));
    EXPECT_TRUE(::UnregisterHotKey(other.get(), 1));
}

TEST_F(GlobalHotKeyTest, ApplyingTheSameCombinationAgainKeepsItsRegistration) {
    GlobalHotKey hotkey(main_.get(), fake_);
    hotkey.set_current(kCtrlQ);
    hotkey.ApplyHotKey();
    hotkey.ApplyHotKey();
    EXPECT_TRUE(Held(kCtrlQ));
    hotkey.ReleaseHotKey();
    EXPECT_FALSE(Held(kCtrlQ));
}

TEST_F(GlobalHotKeyTest, ANewChoiceIsHeldAtOnceAndFreesTheOneBefore) {
    GlobalHotKey hotkey(main_.get(), fake_);
    hotkey.set_current(kDefaultHotKey);
    hotkey.ApplyHotKey();
    hotkey.set_current(kCtrlQ);
    hotkey.ApplyHotKey();
    EXPECT_TRUE(Held(kCtrlQ));
    EXPECT_FALSE(Held(kDefaultHotKey));
    hotkey.ReleaseHotKey();
    EXPECT_FALSE(Held(kCtrlQ));
}

// The same against registrations kept as Windows keeps them, from Alt+V held.
TEST_F(GlobalHotKeyTest, OnWindowsTooOnlyOneCombinationIsHeld) {
    struct Case {
        const char* name;
        bool ctrl_q_held_elsewhere;
        HotKey chosen, held;  // held by the main window afterwards, alone, and acted on
        int calls;
    };
    const std::vector<Case> cases = {
        {"a new choice frees the one before", false, kCtrlQ, kCtrlQ, 2},
        {"a refused choice keeps the one before", true, kCtrlQ, kDefaultHotKey, 3},
        {"the same choice is left alone", false, kDefaultHotKey, kDefaultHotKey, 0},
    };
    for (const Case& c : cases) {
        testing::WindowsHotKeys system;
        if (c.ctrl_q_held_elsewhere) system.held.emplace_back(nullptr, kCtrlQ);
        GlobalHotKey hotkey(main_.get(), fake_, system);
        hotkey.set_current(kDefaultHotKey);
        hotkey.ApplyHotKey();
        system.calls = 0;
        hotkey.set_current(c.chosen);
        hotkey.ApplyHotKey();
        std::erase(system.held, testing::WindowsHotKeys::Held{nullptr, kCtrlQ});
        EXPECT_EQ(system.held, (decltype(system.held){{main_.get(), c.held}})) << c.name;
        EXPECT_EQ(system.calls, c.calls) << c.name;
        EXPECT_TRUE(hotkey.IsHotKeyMessage(MAKELPARAM(c.held.modifiers, c.held.key))) << c.name;
    }
}

TEST_F(GlobalHotKeyTest, OnlyTheCurrentCombinationMatches) {
    GlobalHotKey hotkey(main_.get(), fake_);
    hotkey.set_current(kDefaultHotKey);
    struct Case {
        const char* name;
        LPARAM lparam;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"Alt+V", MAKELPARAM(1, 86), true},
        {"Ctrl+V", MAKELPARAM(2, 86), false},
        {"Alt+Shift+V", MAKELPARAM(5, 86), false},
        {"V alone", MAKELPARAM(0, 86), false},
        {"Alt+Q", MAKELPARAM(1, 81), false},
        {"Alt+V with MOD_NOREPEAT", MAKELPARAM(0x4001, 86), false},
    };
    for (const Case& c : cases) EXPECT_EQ(hotkey.IsHotKeyMessage(c.lparam), c.matches) << c.name;
    hotkey.set_current(kCtrlQ);
    EXPECT_FALSE(hotkey.IsHotKeyMessage(MAKELPARAM(kModAlt, 'V'))) << "the earlier choice";
    EXPECT_TRUE(hotkey.IsHotKeyMessage(MAKELPARAM(kModControl, 'Q')));
}

}  // namespace
}  // namespace nimbara
