// The hotkey's Alt release masked, against a fake input that answers as the system
// would: Alt still held at WM_HOTKEY (Windows), already released (Wine on a slow
// machine), or released while the mask is on its way; and the paste target's record.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fake_input.h"
#include "history/paste_target.h"

namespace nimbara {
namespace {

using testing::FakeInput;
using Keys = std::vector<std::pair<BYTE, DWORD>>;
const HWND kNotepad = reinterpret_cast<HWND>(0x1010), kOwn = reinterpret_cast<HWND>(0x2020);

TEST(MaskAltRelease, MasksTheReleaseOrEndsTheMenuModeItStarted) {
    const Keys mask{{kMaskKey, 0}, {kMaskKey, KEYEVENTF_KEYUP}};
    const Keys again{{VK_MENU, 0}, mask[0], mask[1], {VK_MENU, KEYEVENTF_KEYUP}};
    const struct {
        UINT modifiers;
        std::vector<bool> alt_down;  // the answers, in the order asked
        Keys expected;
    } cases[] = {
        {MOD_CONTROL, {}, {}},
        {MOD_ALT, {true, true}, mask},
        {MOD_ALT | MOD_SHIFT, {false, false}, again},
        {MOD_ALT, {true, false}, {mask[0], mask[1], again[0], mask[0], mask[1], again[3]}}};
    for (const auto& c : cases) {
        FakeInput input;
        input.alt_down = c.alt_down;
        MaskAltRelease(input, c.modifiers);
        EXPECT_EQ(input.keys, c.expected) << c.modifiers << " " << c.alt_down.size();
    }
}

TEST(PasteTarget, KeepsTheEarlierRecordOverOwnWindowsAndTakesTheForegroundBack) {
    FakeInput input;
    input.foreground = kOwn;  // one of ours that cannot be seen
    input.paste_target = kNotepad;
    PasteTarget target(input);
    for (HWND seen : {kNotepad, kOwn, HWND{}}) target.Note(seen);
    target.TakeBackForeground();
    EXPECT_EQ(target.window(), kNotepad);
    EXPECT_EQ(input.requested, std::vector<HWND>{kNotepad});
}

}  // namespace
}  // namespace nimbara
