#include "history/paste_target.h"

#include <cstdint>

namespace nimbara {

namespace {

void Tap(InputApi& input, BYTE virtual_key) {
    const auto scan = static_cast<BYTE>(input.ScanCodeOf(virtual_key));
    input.KeyEvent(virtual_key, scan, 0);
    input.KeyEvent(virtual_key, scan, KEYEVENTF_KEYUP);
}

}  // namespace

void PasteTarget::Note(HWND window) {
    if (CanTakePaste(window)) window_ = window;
}

void PasteTarget::NoteFrontChange(HWND window, DWORD at) {
    front_ = window;
    front_since_ = at;
    Note(window);
}

bool PasteTarget::FrontChangedSince(HWND front, DWORD at) const noexcept {
    // Only a report says when a window came to the front. The activations this program
    // makes itself (the paste-back's) are not reported, so a window the reports do not
    // name may well have been in front all along.
    if (front != front_) return false;
    return static_cast<std::int32_t>(front_since_ - at) > 0;  // the tick count wraps
}

void PasteTarget::TakeBackForeground() {
    HWND foreground = input_.Foreground();
    if (!foreground || CanTakePaste(foreground) || ::IsWindowVisible(foreground)) return;
    if (!CanTakePaste(window_)) return;
    static_cast<void>(input_.RequestForeground(window_));  // refused: nothing better to do
}

void MaskAltRelease(InputApi& input, UINT hotkey_modifiers) {
    if ((hotkey_modifiers & MOD_ALT) == 0) return;
    if (input.KeyIsDown(VK_MENU)) Tap(input, kMaskKey);
    // Also when Alt went up while the mask was on its way: pressed once more, it is
    // no lone release either way.
    if (!input.KeyIsDown(VK_MENU)) {
        const auto scan = static_cast<BYTE>(input.ScanCodeOf(VK_MENU));
        input.KeyEvent(VK_MENU, scan, 0);
        Tap(input, kMaskKey);
        input.KeyEvent(VK_MENU, scan, KEYEVENTF_KEYUP);
    }
}

}  // namespace nimbara
