// The settings dialog, TSetupForm: whether the program starts with Windows and
// which hotkey shows and hides the history window, the default Alt+V or a
// combination captured from the keyboard. OK applies the choice at once and stores
// it; Cancel and the close box leave everything as it was.
//
// One dialog serves every opening in a process. Its controls are loaded from the
// stored settings once, at the first opening, and are never reset: each later
// opening shows them exactly as they were when the dialog last closed.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "platform/handles.h"
#include "platform/layout.h"
#include "platform/modal.h"
#include "platform/registry.h"
#include "settings/hotkey.h"

namespace nimbara {

// Control identifiers, in tab order, for readers from outside. None is IDOK or
// IDCANCEL: Enter and Escape have no dialog-wide meaning.
enum class SettingsControl : UINT {
    kGeneralGroup = 101,
    kStartWithWindows = 102,
    kHotKeyGroup = 103,
    kUseDefaultHotKey = 104,
    kUseCustomHotKey = 105,
    kHotKeyEdit = 106,
    kOk = 107,
    kCancel = 108,
};

inline constexpr DesignedWindow kSettingsWindow{
    .class_name = L"TSetupForm",
    .caption = L"设置",
    // A fixed single border with only the close box. Topmost, so that the dialog is
    // never hidden behind the stay-on-top history window that it disables. Children
    // are not clipped: the dialog paints the face colour under its group boxes, which
    // draw only their frames.
    .style = WS_POPUP | WS_CAPTION | WS_SYSMENU,
    .ex_style = WS_EX_WINDOWEDGE | WS_EX_TOPMOST,
    // The dialog is not centred.
    .place = {348, 235},
    .client = {308, 197},
};

struct SettingsControlRow {
    LayoutRow layout;  // within the group box, or the dialog's client area
    UINT group;        // the group box it sits in, 0 for the dialog itself
    const wchar_t* class_name;
    const wchar_t* caption;
    DWORD style;
    DWORD ex_style;
};

// In tab order. Win32 group boxes hold no children, so the controls "in" a group box
// are its siblings, placed at the group box's position plus their own.
inline constexpr SettingsControlRow kSettingsLayout[] = {
    {{UINT(SettingsControl::kGeneralGroup), {8, 8, 289, 57}},
     0,
     L"BUTTON",
     L"常规",
     BS_GROUPBOX,
     0},
    {{UINT(SettingsControl::kStartWithWindows), {24, 24, 97, 17}},
     UINT(SettingsControl::kGeneralGroup),
     L"BUTTON",
     L"随Windows启动",
     BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP,
     0},
    {{UINT(SettingsControl::kHotKeyGroup), {8, 72, 289, 89}},
     0,
     L"BUTTON",
     L"热键定义",
     BS_GROUPBOX | WS_GROUP,
     0},
    {{UINT(SettingsControl::kUseDefaultHotKey), {16, 24, 217, 17}},
     UINT(SettingsControl::kHotKeyGroup),
     L"BUTTON",
     L"默认热键       ALT + V",
     BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
     0},
    {{UINT(SettingsControl::kUseCustomHotKey), {16, 48, 81, 17}},
     UINT(SettingsControl::kHotKeyGroup),
     L"BUTTON",
     L"自定义热键",
     BS_AUTORADIOBUTTON,
     0},
    {{UINT(SettingsControl::kHotKeyEdit), {104, 48, 161, 19}},
     UINT(SettingsControl::kHotKeyGroup),
     HOTKEY_CLASSW,
     L"",
     WS_GROUP | WS_TABSTOP,
     WS_EX_CLIENTEDGE},
    {{UINT(SettingsControl::kOk), {152, 168, 60, 24}},
     0,
     L"BUTTON",
     L"确定",
     BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP,
     0},
    {{UINT(SettingsControl::kCancel), {224, 168, 60, 24}},
     0,
     L"BUTTON",
     L"取消",
     BS_PUSHBUTTON | WS_TABSTOP,
     0},
};

// The control's designed place in the dialog's client area: a group box's place plus
// its own for the controls in one.
[[nodiscard]] DesignedRect DesignedPlaceInDialog(const SettingsControlRow& row) noexcept;
// The same scaled: the group box's place and the control's own are scaled apart.
[[nodiscard]] RECT ScaledPlaceInDialog(const SettingsControlRow& row, LayoutScale scale) noexcept;

// The settings dialog. Its window is built at the first opening, and its controls are
// loaded from the stored settings then; later openings show them as they were left.
class SettingsDialog : public ModalDialog {
public:
    SettingsDialog(HWND application_window, GlobalHotKey& hotkey, RegistryApi& registry);

protected:
    void Build() override;
    void Loaded() override;
    void ButtonClicked(UINT id) override;
    void CloseBoxClicked() override;
    [[nodiscard]] HWND FirstFocus() const noexcept override {
        return Item(SettingsControl::kStartWithWindows);
    }

private:
    void BuildControls();
    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    void StoreRunEntry();
    void ApplyChosenHotKey();
    void StoreHotKey();

    [[nodiscard]] HWND Item(SettingsControl id) const noexcept {
        return ::GetDlgItem(hwnd(), static_cast<int>(id));
    }
    [[nodiscard]] bool Checked(SettingsControl id) const noexcept;
    void Check(SettingsControl id, bool checked) noexcept;

    HWND application_;
    GlobalHotKey& hotkey_;
    RegistryApi& registry_;
    UniqueHFont font_;
    LayoutScale scale_;
};

}  // namespace nimbara
