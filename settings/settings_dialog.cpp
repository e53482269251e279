#include "settings/settings_dialog.h"

#include <commctrl.h>

#include "platform/error.h"
#include "platform/modal.h"
#include "platform/module_path.h"
#include "resources/resource_ids.h"
#include "settings/run_entry.h"
#include "settings/settings_store.h"

namespace nimbara {

namespace {

using enum SettingsControl;

const SettingsControlRow* RowOf(UINT id) {
    for (const SettingsControlRow& row : kSettingsLayout) {
        if (row.layout.id == id) return &row;
    }
    return nullptr;
}

}  // namespace

DesignedRect DesignedPlaceInDialog(const SettingsControlRow& row) noexcept {
    DesignedRect place = row.layout.place;
    if (const SettingsControlRow* group = RowOf(row.group)) {
        place.x += group->layout.place.x;
        place.y += group->layout.place.y;
    }
    return place;
}

RECT ScaledPlaceInDialog(const SettingsControlRow& row, LayoutScale scale) noexcept {
    POINT origin{0, 0};
    if (const SettingsControlRow* group = RowOf(row.group)) {
        origin = POINT{scale(group->layout.place.x), scale(group->layout.place.y)};
    }
    RECT place = Scaled(scale, row.layout.place);
    ::OffsetRect(&place, origin.x, origin.y);
    return place;
}

SettingsDialog::SettingsDialog(HWND application_window, GlobalHotKey& hotkey, RegistryApi& registry)
    : ModalDialog(kSettingsWindow.place),
      application_(application_window),
      hotkey_(hotkey),
      registry_(registry) {}

void SettingsDialog::Build() {
    font_ = CreateSongTiFont();
    scale_ = ScaleFor(font_.get());
    DesignedWindow design = kSettingsWindow;
    design.icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIMBARA));
    CreateDesigned(design, scale_, application_);
    BuildControls();
}

void SettingsDialog::Loaded() {
    // An error while loading the controls is reported, and the dialog still opens
    // with the controls as far as they were loaded.
    try {
        FormCreate();
    } catch (...) {
        ReportCurrentException();
    }
}

void SettingsDialog::BuildControls() {
    for (const SettingsControlRow& row : kSettingsLayout) {
        const RECT place = ScaledPlaceInDialog(row, scale_);
        HWND control = CreateControl({.class_name = row.class_name,
                                      .text = row.caption,
                                      .style = row.style | WS_VISIBLE,
                                      .ex_style = row.ex_style,
                                      .x = place.left,
                                      .y = place.top,
                                      .width = place.right - place.left,
                                      .height = place.bottom - place.top,
                                      .parent = hwnd(),
                                      .id = row.layout.id});
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    // Any key, with or without modifiers, is accepted as typed.
    ::SendMessageW(Item(kHotKeyEdit), HKM_SETRULES, 0, MAKELPARAM(0, 0));
    Check(kUseDefaultHotKey, true);
}

void SettingsDialog::FormCreate() {
    // Only whether a non-empty entry exists counts, in the user's Run key or the
    // machine's, not whose path it holds.
    if (!ReadSetting(registry_, kRunKey, kRunValue).empty()) {
        Check(kStartWithWindows, true);
    }
    // The hotkey in effect, not the registry: they differ only when a store failed.
    const HotKey current = hotkey_.current();
    if (current == kDefaultHotKey) return;
    Check(kUseDefaultHotKey, false);
    Check(kUseCustomHotKey, true);
    ::SendMessageW(Item(kHotKeyEdit), HKM_SETHOTKEY, HotKeyControlValue(current), 0);
}

void SettingsDialog::BitBtn1Click() {
    // The dialog closes even when a step below fails and its error is reported.
    EndModal();
    StoreRunEntry();
    ApplyChosenHotKey();
    StoreHotKey();
}

void SettingsDialog::BitBtn2Click() { EndModal(); }

void SettingsDialog::ButtonClicked(UINT id) {
    if (id == UINT(kOk)) BitBtn1Click();
    if (id == UINT(kCancel)) BitBtn2Click();
}

// The close box cancels; the dialog is kept for the next opening.
void SettingsDialog::CloseBoxClicked() { BitBtn2Click(); }

void SettingsDialog::StoreRunEntry() {
    if (Checked(kStartWithWindows)) {
        StoreSetting(registry_, kRunKey, kRunValue, RunEntryForPath(ExecutablePathAnsi()));
    } else {
        RemoveSetting(registry_, kRunKey, kRunValue);
    }
}

void SettingsDialog::ApplyChosenHotKey() {
    if (Checked(kUseDefaultHotKey)) {
        hotkey_.set_current(kDefaultHotKey);
    } else if (Checked(kUseCustomHotKey)) {
        const auto value =
            static_cast<std::uint16_t>(::SendMessageW(Item(kHotKeyEdit), HKM_GETHOTKEY, 0, 0));
        const HotKey chosen = HotKeyFromControlValue(value);
        // A refused key keeps the hotkey in effect.
        if (IsUsableHotKeyKey(chosen.key)) hotkey_.set_current(chosen);
    }
    hotkey_.ApplyHotKey();
}

void SettingsDialog::StoreHotKey() {
    const HotKey current = hotkey_.current();
    StoreSetting(registry_, kNimbaraKey, kHotKeyShiftValue, HotKeyValueText(current.modifiers));
    StoreSetting(registry_, kNimbaraKey, kHotKeyCharValue, HotKeyValueText(current.key));
}

bool SettingsDialog::Checked(SettingsControl id) const noexcept {
    return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SettingsDialog::Check(SettingsControl id, bool checked) noexcept {
    ::SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace nimbara
