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

using enum SettingsDialog::ControlId;

constexpr wchar_t kDialogClass[] = L"TSetupForm";
// A fixed single border with only the close box. Topmost, so that the dialog is
// never hidden behind the stay-on-top history window that it disables. Children are
// not clipped: the dialog paints the face colour under its group boxes, which
// draw only their frames.
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kDialogExStyle = WS_EX_WINDOWEDGE | WS_EX_TOPMOST;
// Designed client area and screen position; the dialog is not centred.
constexpr int kClientWidth = 308, kClientHeight = 197, kLeft = 348, kTop = 235;

struct ControlRow {
    UINT id;
    UINT group;  // the group box it sits in, 0 for the dialog itself
    const wchar_t* class_name;
    const wchar_t* caption;
    DWORD style;
    DWORD ex_style;
    int x, y, width, height;  // designed, within the group box or the dialog
};

// Tab order. Win32 group boxes hold no children, so the controls "in" a group box
// are its siblings, placed at the group box's position plus their own.
constexpr ControlRow kControls[] = {
    {kGroupBox1Id, 0, L"BUTTON", L"常规", BS_GROUPBOX, 0, 8, 8, 289, 57},
    {kCheckBox1Id, kGroupBox1Id, L"BUTTON", L"随Windows启动",
     BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, 0, 24, 24, 97, 17},
    {kGroupBox2Id, 0, L"BUTTON", L"热键定义", BS_GROUPBOX | WS_GROUP, 0, 8, 72, 289, 89},
    {kRadioButton1Id, kGroupBox2Id, L"BUTTON", L"默认热键       ALT + V",
     BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 0, 16, 24, 217, 17},
    {kRadioButton2Id, kGroupBox2Id, L"BUTTON", L"自定义热键", BS_AUTORADIOBUTTON, 0, 16, 48, 81,
     17},
    {kHotKey1Id, kGroupBox2Id, HOTKEY_CLASSW, L"", WS_GROUP | WS_TABSTOP, WS_EX_CLIENTEDGE, 104, 48,
     161, 19},
    {kBitBtn1Id, 0, L"BUTTON", L"确定", BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP, 0, 152, 168, 60, 24},
    {kBitBtn2Id, 0, L"BUTTON", L"取消", BS_PUSHBUTTON | WS_TABSTOP, 0, 224, 168, 60, 24},
};

const ControlRow* RowOf(UINT id) {
    for (const ControlRow& row : kControls) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

}  // namespace

SettingsDialog::SettingsDialog(HWND application_window, GlobalHotKey& hotkey, RegistryApi& registry)
    : application_(application_window), hotkey_(hotkey), registry_(registry) {}

SettingsDialog::~SettingsDialog() { Destroy(); }

void SettingsDialog::ShowModal() {
    // Opened again while open (the tray menu stays usable): it is only brought up.
    if (hwnd() && ::IsWindowVisible(hwnd())) {
        ::SetForegroundWindow(hwnd());
        return;
    }
    if (!hwnd()) {
        Build();
        // An error while loading the controls is reported, and the dialog still
        // opens with the controls as far as they were loaded.
        try {
            FormCreate();
        } catch (...) {
            ReportCurrentException();
        }
    }
    done_ = false;
    RunModal(hwnd(), done_);
}

void SettingsDialog::Build() {
    font_ = CreateSongTiFont();
    scale_ = LayoutScale{MeasureTextHeight(font_.get()), kDesignedTextHeight};
    RegisterClassOnce(
        {.name = kDialogClass,
         .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
         .icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_NIMBARA))});
    Create(TopLevelSpec({.class_name = kDialogClass,
                         .caption = L"设置",
                         .style = kDialogStyle,
                         .ex_style = kDialogExStyle,
                         .place = {kLeft, kTop},
                         .client = {kClientWidth, kClientHeight}},
                        scale_, application_));
    try {
        BuildControls();
    } catch (...) {
        Destroy();  // a half-built dialog is not kept for the next opening
        throw;
    }
}

void SettingsDialog::BuildControls() {
    for (const ControlRow& row : kControls) {
        POINT origin{0, 0};
        if (const ControlRow* group = RowOf(row.group)) {
            origin = POINT{scale_(group->x), scale_(group->y)};
        }
        const RECT place = scale_(row.x, row.y, row.width, row.height);
        HWND control = CreateControl({.class_name = row.class_name,
                                      .text = row.caption,
                                      .style = row.style | WS_VISIBLE,
                                      .ex_style = row.ex_style,
                                      .x = origin.x + place.left,
                                      .y = origin.y + place.top,
                                      .width = place.right - place.left,
                                      .height = place.bottom - place.top,
                                      .parent = hwnd(),
                                      .id = row.id});
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    // Any key, with or without modifiers, is accepted as typed.
    ::SendMessageW(Item(kHotKey1Id), HKM_SETRULES, 0, MAKELPARAM(0, 0));
    Check(kRadioButton1Id, true);
}

void SettingsDialog::FormCreate() {
    // Only whether a non-empty entry exists counts, in the user's Run key or the
    // machine's, not whose path it holds.
    if (!ReadSetting(registry_, kRunKey, kRunValue).empty()) {
        Check(kCheckBox1Id, true);
    }
    // The hotkey in effect, not the registry: they differ only when a store failed.
    const HotKey current = hotkey_.current();
    if (current == kDefaultHotKey) return;
    Check(kRadioButton1Id, false);
    Check(kRadioButton2Id, true);
    ::SendMessageW(Item(kHotKey1Id), HKM_SETHOTKEY, HotKeyControlValue(current), 0);
}

void SettingsDialog::BitBtn1Click() {
    // The dialog closes even when a step below fails and its error is reported.
    done_ = true;
    StoreRunEntry();
    ApplyChosenHotKey();
    StoreHotKey();
}

void SettingsDialog::BitBtn2Click() { done_ = true; }

void SettingsDialog::StoreRunEntry() {
    if (Checked(kCheckBox1Id)) {
        StoreSetting(registry_, kRunKey, kRunValue, RunEntryForPath(ExecutablePathAnsi()));
    } else {
        RemoveSetting(registry_, kRunKey, kRunValue);
    }
}

void SettingsDialog::ApplyChosenHotKey() {
    if (Checked(kRadioButton1Id)) {
        hotkey_.set_current(kDefaultHotKey);
    } else if (Checked(kRadioButton2Id)) {
        const auto value =
            static_cast<std::uint16_t>(::SendMessageW(Item(kHotKey1Id), HKM_GETHOTKEY, 0, 0));
        const HotKey chosen = HotKeyFromControlValue(value);
        // A refused key keeps the hotkey in effect.
        if (IsUsableHotKeyKey(chosen.key)) hotkey_.set_current(chosen);
    }
    hotkey_.ApplyHotKey();
}

void SettingsDialog::StoreHotKey() {
    const HotKey current = hotkey_.current();
    StoreSetting(registry_, kNimbaraKey, kHotKeyShiftValue, HotKeyValueText(current.shift));
    StoreSetting(registry_, kNimbaraKey, kHotKeyCharValue, HotKeyValueText(current.key));
}

bool SettingsDialog::Checked(UINT id) const noexcept {
    return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SettingsDialog::Check(UINT id, bool checked) noexcept {
    ::SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void SettingsDialog::OnActivate(WPARAM wp) {
    // The keyboard focus comes back to where it was when the dialog was left.
    if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd(), focus)) focus_ = focus;
        return;
    }
    ::SetFocus(focus_ ? focus_ : Item(kCheckBox1Id));
}

LRESULT SettingsDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == kBitBtn1Id) BitBtn1Click();
            if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == kBitBtn2Id) BitBtn2Click();
            return 0;
        case WM_CLOSE:
            // The close box cancels; the dialog is kept for the next opening.
            BitBtn2Click();
            return 0;
        case WM_ACTIVATE:
            OnActivate(wp);
            return 0;
        default:
            return DefaultProc(msg, wp, lp);
    }
}

}  // namespace nimbara
