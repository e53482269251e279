// The settings dialog in this process: each test opens it modally and drives it
// from timer ticks that its modal loop dispatches, as the program's other windows'
// messages are dispatched while it is open. The registry is the Wine registry under
// a sandbox key (see FakeRegistry); the error report is recorded instead of shown.
#include "settings/settings_dialog.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "fake_hotkeys.h"
#include "fake_registry.h"
#include "hidden_window.h"
#include "layout_invariants.h"
#include "modal_driver.h"
#include "platform/error.h"
#include "platform/layout.h"
#include "settings/settings_store.h"

namespace nimbara {
namespace {

using testing::FakeRegistry;
using testing::ReadStored;
using testing::SeedValue;
using Step = std::function<void(HWND dialog)>;
using enum SettingsControl;

constexpr HotKey kCtrlQ{kModControl, 'Q'};
constexpr HotKey kShiftAltF9{kModShift | kModAlt, VK_F9};

std::vector<std::wstring> g_errors;
void RecordError(const std::wstring& message) { g_errors.push_back(message); }

// Opens the dialog modally; the steps run one per timer tick while it is open, and
// the last of them closes it.
void ShowWith(SettingsDialog& dialog, const std::vector<Step>& steps) {
    std::vector<testing::ModalStep> each;
    for (const Step& step : steps) each.push_back([step](HWND dlg) { return step(dlg), true; });
    EXPECT_EQ(testing::StepThrough([&] { return dialog.hwnd(); }, [&] { dialog.ShowModal(); },
                                   std::move(each)),
              steps.size())
        << "steps left when the dialog closed";
}

HWND Item(HWND dialog, SettingsControl id) { return ::GetDlgItem(dialog, static_cast<int>(id)); }
bool Checked(HWND dialog, SettingsControl id) {
    return ::SendMessageW(Item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void Click(HWND dialog, SettingsControl id) { ::SendMessageW(Item(dialog, id), BM_CLICK, 0, 0); }
WORD HotKeyValue(HWND dialog) {
    return static_cast<WORD>(::SendMessageW(Item(dialog, kHotKeyEdit), HKM_GETHOTKEY, 0, 0));
}
void SetHotKeyValue(HWND dialog, WORD value) {
    ::SendMessageW(Item(dialog, kHotKeyEdit), HKM_SETHOTKEY, value, 0);
}

struct ControlState {
    bool check_box1;
    bool radio_button1;
    bool radio_button2;
    WORD hot_key1;
    friend bool operator==(const ControlState&, const ControlState&) = default;
};
std::ostream& operator<<(std::ostream& out, const ControlState& s) {
    return out << "{box " << s.check_box1 << ", rb1 " << s.radio_button1 << ", rb2 "
               << s.radio_button2 << ", hotkey 0x" << std::hex << s.hot_key1 << std::dec << "}";
}
ControlState StateOf(HWND dialog) {
    return {Checked(dialog, kStartWithWindows), Checked(dialog, kUseDefaultHotKey),
            Checked(dialog, kUseCustomHotKey), HotKeyValue(dialog)};
}

std::string OwnPath() {
    char path[MAX_PATH + 1] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH + 1);
    return path;
}

class SettingsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_HOTKEY_CLASS | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&icc);
        g_errors.clear();
        SetErrorReporter(&RecordError);
    }
    void TearDown() override {
        hotkey_.ReleaseHotKey();
        SetErrorReporter(nullptr);
    }
    std::string Sandbox(const char* key, HKEY root = HKEY_LOCAL_MACHINE) const {
        return fake_.Redirected(root, key);
    }
    void SeedRun(DWORD type, const std::string& data) {
        SeedValue(HKEY_CURRENT_USER, Sandbox(kRunKey), kRunValue, type, data);
    }
    testing::StoredValue Stored(const char* key, const char* name, HKEY root = HKEY_LOCAL_MACHINE) {
        return ReadStored(HKEY_CURRENT_USER, Sandbox(key, root), name);
    }

    FakeRegistry fake_{"Software\\NimbaraTests\\Dialog"};
    UniqueHwnd application_window_ = testing::ApplicationWindow();
    UniqueHwnd main_window_ = testing::HiddenWindow(application_window_.get());
    HWND application_ = application_window_.get();
    HWND main_ = main_window_.get();
    GlobalHotKey hotkey_{main_, fake_};
};

TEST_F(SettingsDialogTest, WindowAndControlsAsDesigned) {
    hotkey_.set_current(kDefaultHotKey);
    SettingsDialog dialog(application_, hotkey_, fake_);
    UniqueHFont font = CreateSongTiFont();
    const LayoutScale scale{MeasureTextHeight(font.get()), kDesignedTextHeight};
    ShowWith(
        dialog, {[&](HWND dlg) {
            wchar_t caption[32] = {};
            ::GetWindowTextW(dlg, caption, 32);
            EXPECT_STREQ(caption, L"设置");
            EXPECT_EQ(::GetWindow(dlg, GW_OWNER), application_);
            const LONG style = ::GetWindowLongW(dlg, GWL_STYLE);
            EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
            EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
            RECT window, client;
            ::GetWindowRect(dlg, &window);
            ::GetClientRect(dlg, &client);
            EXPECT_EQ(window.left, kSettingsWindow.place.x);
            EXPECT_EQ(window.top, kSettingsWindow.place.y);
            EXPECT_EQ(client.right, scale(kSettingsWindow.client.cx));
            EXPECT_EQ(client.bottom, scale(kSettingsWindow.client.cy));

            for (const SettingsControlRow& row : kSettingsLayout) {
                SCOPED_TRACE(row.layout.id);
                HWND control = ::GetDlgItem(dlg, static_cast<int>(row.layout.id));
                ASSERT_NE(control, nullptr);
                wchar_t text[64] = {}, class_name[64] = {};
                ::GetWindowTextW(control, text, 64);
                ::GetClassNameW(control, class_name, 64);
                EXPECT_STREQ(text, row.caption);
                EXPECT_EQ(_wcsicmp(class_name, row.class_name), 0) << class_name;
                RECT place;
                ::GetWindowRect(control, &place);
                ::MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&place), 2);
                const RECT expected = ScaledPlaceInDialog(row, scale);
                EXPECT_TRUE(::EqualRect(&place, &expected))
                    << place.left << "," << place.top << "," << place.right << "," << place.bottom;
            }
            // Neither button is the default button.
            for (SettingsControl id : {kOk, kCancel}) {
                EXPECT_EQ(::GetWindowLongW(Item(dlg, id), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
            }
            // Tab order: the box, the checked radio button, the capture control, OK, Cancel.
            std::vector<UINT> order;
            HWND at = Item(dlg, kCancel);
            for (int i = 0; i < 5; ++i) {
                at = ::GetNextDlgTabItem(dlg, at, FALSE);
                order.push_back(static_cast<UINT>(::GetDlgCtrlID(at)));
            }
            EXPECT_EQ(order, (std::vector<UINT>{UINT(kStartWithWindows), UINT(kUseDefaultHotKey),
                                                UINT(kHotKeyEdit), UINT(kOk), UINT(kCancel)}));
            Click(dlg, kCancel);
        }});
}

TEST(SettingsLayoutTableTest, ControlsLieInsideTheDialogAndTheirGroupsApartAndInTabOrder) {
    std::vector<LayoutRow> rows;
    for (const SettingsControlRow& row : kSettingsLayout) {
        rows.push_back({row.layout.id, DesignedPlaceInDialog(row)});
        if (row.group == 0) continue;
        for (const SettingsControlRow& group : kSettingsLayout) {
            if (group.layout.id == row.group)
                EXPECT_TRUE(testing::Inside(rows.back().place, group.layout.place))
                    << row.layout.id;
        }
    }
    testing::ExpectSoundLayout(rows, kSettingsWindow.client,
                               {UINT(kGeneralGroup), UINT(kHotKeyGroup)});
}

TEST_F(SettingsDialogTest, FirstOpeningLoadsTheRunEntryAndTheHotKeyInEffect) {
    struct Case {
        const char* name;
        std::optional<std::string> run;  // REG_SZ data; nullopt: no value
        HotKey current;
        ControlState shown;
    };
    const std::vector<Case> cases = {
        {"nothing stored, Alt+V", std::nullopt, kDefaultHotKey, {false, true, false, 0}},
        {"Run entry of another program",
         std::string("C:\\other.exe\0", 13),
         kDefaultHotKey,
         {true, true, false, 0}},
        {"empty Run entry", std::string("\0", 1), kDefaultHotKey, {false, true, false, 0}},
        {"Ctrl+Q", std::nullopt, kCtrlQ, {false, false, true, 0x0251}},
        {"Shift+Alt+F9", std::nullopt, kShiftAltF9, {false, false, true, 0x0578}},
        {"F9 alone", std::nullopt, {0, 120}, {false, false, true, 0x0078}},
        {"key code past a byte", std::nullopt, {1, 300}, {false, false, true, 0}},
    };
    for (const Case& c : cases) {
        testing::DeleteTree(HKEY_CURRENT_USER, Sandbox(kRunKey));
        if (c.run) SeedRun(REG_SZ, *c.run);
        hotkey_.set_current(c.current);
        SettingsDialog dialog(application_, hotkey_, fake_);
        ShowWith(dialog, {[&](HWND dlg) {
                     EXPECT_EQ(StateOf(dlg), c.shown) << c.name;
                     Click(dlg, kCancel);
                 }});
    }
    EXPECT_TRUE(g_errors.empty());
}

TEST_F(SettingsDialogTest, RunEntryOfAnotherTypeIsReportedAndTheDialogOpensAsBuilt) {
    SeedRun(REG_DWORD, std::string("\x01\0\0\0", 4));
    hotkey_.set_current(kCtrlQ);
    SettingsDialog dialog(application_, hotkey_, fake_);
    ShowWith(dialog, {[&](HWND dlg) {
                 EXPECT_EQ(g_errors, std::vector<std::wstring>{L"Invalid data type for 'Nimbara'"});
                 EXPECT_EQ(StateOf(dlg), (ControlState{false, true, false, 0}));
                 Click(dlg, kCancel);
             }});
    // Loaded once: the next opening neither reads again nor reports again.
    ShowWith(dialog, {[&](HWND dlg) {
                 EXPECT_EQ(StateOf(dlg), (ControlState{false, true, false, 0}));
                 Click(dlg, kCancel);
             }});
    EXPECT_EQ(g_errors.size(), 1u);
}

TEST_F(SettingsDialogTest, OkStoresTheRunEntryAndTheChosenHotKeyAndAppliesIt) {
    hotkey_.set_current(kDefaultHotKey);
    hotkey_.ApplyHotKey();
    SettingsDialog dialog(application_, hotkey_, fake_);
    ShowWith(dialog, {[&](HWND dlg) {
                 Click(dlg, kStartWithWindows);
                 Click(dlg, kUseCustomHotKey);
                 SetHotKeyValue(dlg, 0x0251);  // Ctrl+Q as the control holds it
                 EXPECT_EQ(StateOf(dlg), (ControlState{true, false, true, 0x0251}));
                 Click(dlg, kOk);
             }});
    const std::string own_path = OwnPath();
    ASSERT_EQ(own_path.find(' '), std::string::npos) << "this check needs a path without blanks";
    const auto run = Stored(kRunKey, kRunValue);
    EXPECT_EQ(run.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(run.bytes, own_path + '\0');
    EXPECT_EQ(Stored(kNimbaraKey, kHotKeyShiftValue).bytes, std::string("2\0", 2));
    EXPECT_EQ(Stored(kNimbaraKey, kHotKeyCharValue).bytes, std::string("81\0", 3));
    EXPECT_EQ(hotkey_.current(), kCtrlQ);
    EXPECT_TRUE(testing::Held(kCtrlQ));
    EXPECT_TRUE(::UnregisterHotKey(main_, kHotKeyId)) << "held by the main window under id 1";
    EXPECT_TRUE(g_errors.empty());
}

TEST_F(SettingsDialogTest, OkStoresWhatTheControlsSay) {
    struct Case {
        const char* name;
        std::function<void(HWND)> choose;
        HotKey stored;
    };
    const std::vector<Case> cases = {
        {"default chosen, a combination typed anyway",
         [](HWND dlg) {
             Click(dlg, kUseDefaultHotKey);
             SetHotKeyValue(dlg, 0x0251);
         },
         kDefaultHotKey},
        {"custom chosen, control empty",
         [](HWND dlg) {
             Click(dlg, kUseCustomHotKey);
             SetHotKeyValue(dlg, 0);
         },
         {0, 0}},
        {"F9 alone",
         [](HWND dlg) {
             Click(dlg, kUseCustomHotKey);
             SetHotKeyValue(dlg, 0x0078);
         },
         {0, 120}},
        {"Alt+V typed as a custom combination",
         [](HWND dlg) {
             Click(dlg, kUseCustomHotKey);
             SetHotKeyValue(dlg, 0x0456);
         },
         kDefaultHotKey},
        {"extended-key flag dropped",
         [](HWND dlg) {
             Click(dlg, kUseCustomHotKey);
             SetHotKeyValue(dlg, 0x0F2E);  // Shift+Ctrl+Alt+Delete on the extended pad
         },
         {7, 0x2E}},
        {"the key that masks Alt's release refused, the hotkey in effect kept",
         [](HWND dlg) { SetHotKeyValue(dlg, 0x04E8); },
         {7, 0x2E}},
    };
    SettingsDialog dialog(application_, hotkey_, fake_);
    for (const Case& c : cases) {
        ShowWith(dialog, {[&](HWND dlg) {
                     c.choose(dlg);
                     Click(dlg, kOk);
                 }});
        EXPECT_EQ(hotkey_.current(), c.stored) << c.name;
        EXPECT_EQ(Stored(kNimbaraKey, kHotKeyShiftValue).bytes,
                  std::to_string(c.stored.modifiers) + '\0')
            << c.name;
        EXPECT_EQ(Stored(kNimbaraKey, kHotKeyCharValue).bytes, std::to_string(c.stored.key) + '\0')
            << c.name;
    }
    // The control keeps the typed combination although the default was stored.
    ShowWith(dialog, {[&](HWND dlg) {
                 Click(dlg, kUseDefaultHotKey);
                 SetHotKeyValue(dlg, 0x0251);
                 Click(dlg, kOk);
             }});
    ShowWith(dialog, {[&](HWND dlg) {
                 EXPECT_EQ(StateOf(dlg), (ControlState{false, true, false, 0x0251}));
                 Click(dlg, kCancel);
             }});
    EXPECT_TRUE(g_errors.empty());
}

TEST_F(SettingsDialogTest, OkWithTheBoxClearDeletesTheRunEntrySilently) {
    SeedRun(REG_SZ, std::string("C:\\other.exe\0", 13));
    SettingsDialog dialog(application_, hotkey_, fake_);
    ShowWith(dialog, {[&](HWND dlg) {
                 EXPECT_TRUE(Checked(dlg, kStartWithWindows));
                 Click(dlg, kStartWithWindows);
                 Click(dlg, kOk);
             }});
    EXPECT_FALSE(Stored(kRunKey, kRunValue).exists);
    // Again, with nothing left to delete.
    ShowWith(dialog, {[&](HWND dlg) { Click(dlg, kOk); }});
    EXPECT_FALSE(Stored(kRunKey, kRunValue).exists);
    EXPECT_TRUE(g_errors.empty());
}

TEST_F(SettingsDialogTest, FailedStoreIsReportedLaterStepsSkippedAndTheDialogCloses) {
    hotkey_.set_current(kDefaultHotKey);
    SettingsDialog dialog(application_, hotkey_, fake_);
    ShowWith(dialog, {[&](HWND dlg) {
                 Click(dlg, kStartWithWindows);
                 Click(dlg, kUseCustomHotKey);
                 SetHotKeyValue(dlg, 0x0251);
                 fake_.calls.clear();
                 fake_.fail_call = 2;  // the create of the Run key succeeds, its value is refused
                 Click(dlg, kOk);
             }});
    fake_.fail_call = 0;
    EXPECT_EQ(g_errors, std::vector<std::wstring>{L"Failed to set data for 'Nimbara'"});
    EXPECT_EQ(hotkey_.current(), kDefaultHotKey) << "not applied";
    EXPECT_FALSE(Stored(kNimbaraKey, kHotKeyShiftValue).exists);
    EXPECT_FALSE(::IsWindowVisible(dialog.hwnd()));
}

TEST_F(SettingsDialogTest, CancelAndTheCloseBoxKeepTheChangedControlsButStoreNothing) {
    hotkey_.set_current(kDefaultHotKey);
    SettingsDialog dialog(application_, hotkey_, fake_);
    const std::vector<Step> closers = {
        [](HWND dlg) { Click(dlg, kCancel); },
        [](HWND dlg) { ::SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const Step& close : closers) {
        ShowWith(dialog, {[&](HWND dlg) {
                     Click(dlg, kStartWithWindows);
                     Click(dlg, kUseCustomHotKey);
                     SetHotKeyValue(dlg, 0x0251);
                     close(dlg);
                 }});
        EXPECT_FALSE(Stored(kRunKey, kRunValue).exists);
        EXPECT_FALSE(Stored(kNimbaraKey, kHotKeyShiftValue).exists);
        EXPECT_EQ(hotkey_.current(), kDefaultHotKey);
        // What the registry holds meanwhile does not matter: the controls are not reloaded.
        SeedRun(REG_DWORD, std::string(4, '\0'));
        ShowWith(dialog, {[&](HWND dlg) {
                     EXPECT_EQ(StateOf(dlg), (ControlState{true, false, true, 0x0251}));
                     Click(dlg, kStartWithWindows);  // back to clear for the next round
                     close(dlg);
                 }});
        testing::DeleteTree(HKEY_CURRENT_USER, Sandbox(kRunKey));
    }
    EXPECT_TRUE(g_errors.empty());
}

TEST_F(SettingsDialogTest, EnterAndEscapeHaveNoDialogWideMeaning) {
    SettingsDialog dialog(application_, hotkey_, fake_);
    ShowWith(dialog, {[&](HWND dlg) {
                          ::SetFocus(Item(dlg, kStartWithWindows));
                          ::PostMessageW(Item(dlg, kStartWithWindows), WM_KEYDOWN, VK_ESCAPE, 0);
                          ::PostMessageW(Item(dlg, kStartWithWindows), WM_KEYDOWN, VK_RETURN, 0);
                      },
                      [&](HWND dlg) {
                          EXPECT_TRUE(::IsWindowVisible(dlg));
                          EXPECT_FALSE(Stored(kNimbaraKey, kHotKeyShiftValue).exists);
                          Click(dlg, kCancel);
                      }});
}

// Wine's hotkey control accepts a plain key even without rules, so this shows the
// behaviour, not the rules message itself.
TEST_F(SettingsDialogTest, CaptureControlTakesAPlainKey) {
    SettingsDialog dialog(application_, hotkey_, fake_);
    ShowWith(dialog, {[&](HWND dlg) {
                          ::SetFocus(Item(dlg, kHotKeyEdit));
                          ::PostMessageW(Item(dlg, kHotKeyEdit), WM_KEYDOWN, VK_F9, 0x00430001);
                          ::PostMessageW(Item(dlg, kHotKeyEdit), WM_KEYUP, VK_F9, 0xC0430001);
                      },
                      [&](HWND dlg) {
                          EXPECT_EQ(HotKeyValue(dlg), 0x0078);
                          Click(dlg, kCancel);
                      }});
}

// A standard user under UAC: the machine's keys can be read, not written.
TEST_F(SettingsDialogTest, AStandardUserKeepsSettingsInTheUsersKeysOrIsToldWhy) {
    SeedRun(REG_SZ, std::string("C:\\x\0", 5));  // an administrator's
    fake_.machine_read_only = true;
    hotkey_.set_current(kDefaultHotKey);
    SettingsDialog dialog(application_, hotkey_, fake_);
    ShowWith(dialog, {[&](HWND dlg) {
                 EXPECT_TRUE(Checked(dlg, kStartWithWindows)) << "read without asking to write";
                 Click(dlg, kUseCustomHotKey);
                 SetHotKeyValue(dlg, 0x0251);
                 Click(dlg, kOk);
             }});
    EXPECT_EQ(Stored(kRunKey, kRunValue, HKEY_CURRENT_USER).bytes, OwnPath() + '\0');
    EXPECT_EQ(Stored(kNimbaraKey, kHotKeyCharValue, HKEY_CURRENT_USER).bytes,
              std::string("81\0", 3));
    EXPECT_TRUE(g_errors.empty());
    // The user's own key refused too: OK says why, and the chosen hotkey still applies.
    fake_.refused_paths = {kNimbaraKey};
    ShowWith(dialog, {[&](HWND dlg) {
                 Click(dlg, kUseDefaultHotKey);
                 Click(dlg, kOk);
             }});
    EXPECT_EQ(hotkey_.current(), kDefaultHotKey);
    EXPECT_EQ(g_errors, std::vector<std::wstring>{L"Failed to set data for 'HotKeyShift' (" +
                                                  SystemErrorText(ERROR_ACCESS_DENIED) + L")"});
}

// Unchecked by a standard user: the user's own entry goes; an administrator's stays
// and is reported, naming its key, as a failed store is, and the later steps are skipped.
TEST_F(SettingsDialogTest, UncheckingReportsARunEntryThatStaysAndNamesItsKey) {
    const std::vector<std::wstring> refused = {L"Failed to delete 'Nimbara' from " +
                                               RegistryKeyName(HKEY_LOCAL_MACHINE, kRunKey) +
                                               L" (" + SystemErrorText(ERROR_ACCESS_DENIED) + L")"};
    fake_.machine_read_only = true;
    for (const bool machine_entry : {true, false}) {
        testing::DeleteTree(HKEY_CURRENT_USER, Sandbox(kRunKey));
        if (machine_entry) SeedRun(REG_SZ, std::string("C:\\admin\\N.exe\0", 16));
        SeedValue(HKEY_CURRENT_USER, Sandbox(kRunKey, HKEY_CURRENT_USER), kRunValue, REG_SZ,
                  std::string("C:\\N.exe\0", 9));
        hotkey_.set_current(kDefaultHotKey);
        g_errors.clear();
        SettingsDialog dialog(application_, hotkey_, fake_);
        ShowWith(dialog, {[&](HWND dlg) {
                     Click(dlg, kStartWithWindows);
                     Click(dlg, kUseCustomHotKey);
                     SetHotKeyValue(dlg, 0x0251);
                     Click(dlg, kOk);
                 }});
        EXPECT_FALSE(Stored(kRunKey, kRunValue, HKEY_CURRENT_USER).exists);
        EXPECT_EQ(Stored(kRunKey, kRunValue).exists, machine_entry);
        EXPECT_EQ(g_errors, machine_entry ? refused : std::vector<std::wstring>{});
        EXPECT_EQ(hotkey_.current() == kCtrlQ, !machine_entry) << machine_entry;
        hotkey_.ReleaseHotKey();
    }
}

TEST_F(SettingsDialogTest, OtherWindowsAreDisabledWhileOpenAndTheirMessagesStillArrive) {
    ::ShowWindow(main_, SW_SHOWNA);
    SettingsDialog dialog(application_, hotkey_, fake_);
    // The steps themselves run from timer messages that the dialog's loop dispatches.
    ShowWith(dialog, {[&](HWND dlg) {
                 EXPECT_FALSE(::IsWindowEnabled(main_));
                 EXPECT_TRUE(::IsWindowEnabled(dlg));
                 Click(dlg, kCancel);
             }});
    EXPECT_TRUE(::IsWindowEnabled(main_));
    EXPECT_FALSE(::IsWindowVisible(dialog.hwnd()));
}

// The tray menu stays usable while the dialog is open and can ask for it again.
TEST_F(SettingsDialogTest, OpeningItAgainWhileOpenOnlyBringsItUp) {
    SettingsDialog dialog(application_, hotkey_, fake_);
    ShowWith(dialog, {[&](HWND dlg) {
                          Click(dlg, kStartWithWindows);
                          dialog.ShowModal();  // returns at once: no second modal loop
                          EXPECT_TRUE(::IsWindowVisible(dlg));
                          EXPECT_TRUE(Checked(dlg, kStartWithWindows));
                      },
                      [&](HWND dlg) { Click(dlg, kCancel); }});
    EXPECT_FALSE(::IsWindowVisible(dialog.hwnd()));
}

}  // namespace
}  // namespace nimbara
