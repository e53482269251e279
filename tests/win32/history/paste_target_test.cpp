// Where a paste goes and the masking of the hotkey's Alt release, against a fake
// input that answers as the system would on Windows and on Wine: Alt still held at
// WM_HOTKEY, already released, or released while the mask is on its way.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "history/paste_target.h"

namespace nimbara {
namespace {

const HWND kNotepad = reinterpret_cast<HWND>(0x1010), kOwn = reinterpret_cast<HWND>(0x2020),
           kTaskbar = reinterpret_cast<HWND>(0x3030);

struct FakeInput final : InputApi {
    HWND Foreground() override { return foreground; }
    bool IsPasteTarget(HWND window) override { return window == kNotepad; }
    bool KeyIsDown(BYTE) override { return alt_down.at(asked++); }
    bool RequestForeground(HWND window) override { return requested.push_back(window), true; }
    bool HasTakenForeground(HWND) override { return true; }
    UINT ScanCodeOf(UINT) override { return 0; }
    void KeyEvent(BYTE key, BYTE, DWORD flags) override { keys.emplace_back(key, flags); }
    void WaitBriefly(DWORD) override {}
    HWND foreground = nullptr;
    std::vector<bool> alt_down;
    std::size_t asked = 0;
    std::vector<HWND> requested;
    std::vector<std::pair<BYTE, DWORD>> keys;
};

TEST(MaskAltRelease, MasksTheReleaseOrEndsTheMenuModeItStarted) {
    using Keys = std::vector<std::pair<BYTE, DWORD>>;
    const Keys mask{{kMaskKey, 0}, {kMaskKey, KEYEVENTF_KEYUP}};
    Keys again{{VK_MENU, 0}};
    again.insert(again.end(), mask.begin(), mask.end());
    again.emplace_back(VK_MENU, KEYEVENTF_KEYUP);
    Keys both = mask;
    both.insert(both.end(), again.begin(), again.end());
    const struct {
        UINT modifiers;
        std::vector<bool> alt_down;  // the answers, in the order asked
        Keys expected;
    } cases[] = {
        {MOD_CONTROL, {}, {}},                          // no Alt: nothing to mask
        {MOD_ALT, {true, true}, mask},                  // held (Windows, mostly)
        {MOD_ALT | MOD_SHIFT, {false, false}, again},   // released already (Wine, slow)
        {MOD_ALT, {true, false}, both},                 // released meanwhile
    };
    for (const auto& c : cases) {
        FakeInput input;
        input.alt_down = c.alt_down;
        MaskAltRelease(input, c.modifiers);
        EXPECT_EQ(input.keys, c.expected) << c.modifiers << " " << c.alt_down.size();
    }
}

TEST(PasteTarget, KeepsTheEarlierRecordOverOwnAndShellWindowsAndGivesTheForegroundBack) {
    FakeInput input;
    PasteTarget target(input);
    for (HWND seen : {kNotepad, kOwn, kTaskbar, HWND{}}) target.Note(seen);
    EXPECT_EQ(target.window(), kNotepad);
    input.foreground = kOwn;  // not a window that can be seen
    target.TakeBackForeground();
    input.foreground = kNotepad;
    target.TakeBackForeground();
    EXPECT_EQ(input.requested, std::vector<HWND>{kNotepad});
}

}  // namespace
}  // namespace nimbara
