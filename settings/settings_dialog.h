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

#include "platform/handles.h"
#include "platform/layout.h"
#include "platform/registry.h"
#include "platform/window.h"
#include "settings/hotkey.h"

namespace nimbara {

class SettingsDialog : public Window {
public:
    // Control identifiers, in tab order, for readers from outside. None is IDOK or
    // IDCANCEL: Enter and Escape have no dialog-wide meaning.
    enum ControlId : UINT {
        kGroupBox1Id = 101,
        kCheckBox1Id = 102,
        kGroupBox2Id = 103,
        kRadioButton1Id = 104,
        kRadioButton2Id = 105,
        kHotKey1Id = 106,
        kBitBtn1Id = 107,
        kBitBtn2Id = 108,
    };

    SettingsDialog(HWND application_window, GlobalHotKey& hotkey, RegistryApi& registry);
    ~SettingsDialog() override;

    // Shows the dialog modally until OK, Cancel or the close box; the program's
    // other windows are disabled meanwhile, while their messages keep flowing.
    // The first call builds the dialog and loads its controls.
    void ShowModal();

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Build();
    void BuildControls();
    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    void StoreRunEntry();
    void ApplyChosenHotKey();
    void StoreHotKey();
    void OnActivate(WPARAM wp);

    [[nodiscard]] HWND Item(UINT id) const noexcept { return ::GetDlgItem(hwnd(), id); }
    [[nodiscard]] bool Checked(UINT id) const noexcept;
    void Check(UINT id, bool checked) noexcept;

    HWND application_;
    GlobalHotKey& hotkey_;
    RegistryApi& registry_;
    UniqueHFont font_;
    LayoutScale scale_;
    HWND focus_ = nullptr;  // the control that had the focus when the dialog last lost it
    bool done_ = false;
};

}  // namespace nimbara
