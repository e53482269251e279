// The paste-back: a slot written back and Ctrl+V typed into the window the user left, with
// clearing, restores and captures under way, and windows that cannot take the keys.
#include "capture_fixture.h"

namespace nimbara {
namespace {

using namespace testing;
using PasteBackTest = CaptureFixture;

TEST_F(PasteBackTest, WhatArrivesDuringARestoreNeitherFreesItsSlotNorCutsIntoIt) {
    auto capture = [this](const char* text) {
        PutText(main_.get(), text);
        watcher_.OnCaptureTimer();
    };
    // Handled while the clipboard is being emptied: a Clear all frees every slot.
    capture("first");
    clipboard_.on_empty = [this] {
        for (int slot = 1; slot <= SlotCount; ++slot) ring_.Release(slot);
        ring_.ResetNextSlot();
    };
    paste_.PasteSlot(1);
    EXPECT_EQ(ClipboardText(main_.get()), "first");
    EXPECT_FALSE(ring_.IsFilled(1));

    // A second paste comes after the first has written everything, not into it.
    capture("first again");
    capture("second");
    clipboard_.on_empty = [this] { paste_.PasteSlot(2); };
    paste_.PasteSlot(1);
    EXPECT_EQ(ClipboardText(main_.get()), "second");

    // One that a Clear all emptied while it waited is dropped: no keys, no paste mark.
    clipboard_.on_empty = [this] {
        paste_.PasteSlot(2);
        ring_.Release(2);
    };
    view_.told.clear();
    input_.keys.clear();
    paste_.PasteSlot(1);
    EXPECT_EQ(ClipboardText(main_.get()), "first again");
    EXPECT_EQ(view_.told, Told{L"pasted 1"});
    EXPECT_EQ(input_.keys.size(), 4u);  // one Ctrl+V
}

TEST_F(PasteBackTest, AFailedRestoreClearsPasteGuardOnlyWhenNoEarlierPasteIsGuarded) {
    PutText(main_.get(), "pasted");
    watcher_.OnCaptureTimer();
    for (const bool earlier_paste : {false, true}) {
        paste_.OnGuardTimer();
        clipboard_.fail_open = false;
        if (earlier_paste) paste_.PasteSlot(1);
        clipboard_.fail_open = true;
        EXPECT_THROW(paste_.PasteSlot(1), ClipboardBusyError);
        EXPECT_EQ(watcher_.paste_guard(), earlier_paste) << earlier_paste;
    }
}

TEST_F(PasteBackTest, PasteGuardKeepsChangesOutForASecondAfterTheFirstPasteOfIt) {
    const struct {
        std::uint32_t second_paste;  // after the first; 0 for none
        std::uint32_t change;        // after the first paste
        bool captured;
    } rows[] = {{0, 999, false}, {0, 1000, true}, {600, 999, false}, {600, 1000, true}};
    watcher_.JoinChain();
    PutText(main_.get(), "pasted");
    watcher_.ClipboardChanged(0, 0);
    timers_.Advance(kCaptureDelayMs);
    ASSERT_TRUE(ring_.IsFilled(1));
    for (const auto& r : rows) {
        const int next = ring_.NextSlot();
        const std::uint32_t pasted = clock_.now;
        paste_.PasteSlot(1);
        if (r.second_paste) {
            timers_.Advance(r.second_paste);
            paste_.PasteSlot(1);
        }
        timers_.Advance(pasted + r.change - clock_.now);
        PutText(main_.get(), "changed");
        watcher_.ClipboardChanged(0, 0);
        timers_.Advance(2000);
        EXPECT_EQ(ring_.NextSlot() != next, r.captured) << &r - rows;
    }
}

TEST_F(PasteBackTest, TypesCtrlVOnceTheTargetIsActiveOrAfterAtMostItsWait) {
    const std::vector<std::pair<BYTE, DWORD>> ctrl_v{
        {VK_CONTROL, 0}, {'V', 0}, {'V', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}};
    const HWND notepad = reinterpret_cast<HWND>(0x1010);
    const struct {
        bool granted;
        int polls_until_taken;
        std::uint32_t start;
        std::uint32_t waited;
    } cases[] = {{false, 9, 0, 0},
                 {true, 3, 0, 15},
                 {true, 999, 0, kActivationWaitMs},
                 {true, 999, 0xFFFFFF00u, kActivationWaitMs}};  // the tick count wraps meanwhile
    PutText(main_.get(), "pasted");
    watcher_.OnCaptureTimer();
    input_.foreground = input_.paste_target = notepad;
    input_.clock = &clock_;
    paste_.ShowingFromOutside();
    for (const auto& c : cases) {
        input_.grant_foreground = c.granted;
        input_.polls_until_taken = c.polls_until_taken;
        clock_.now = c.start;
        input_.keys.clear();
        view_.told.clear();
        paste_.PasteSlot(1);
        EXPECT_EQ(clock_.now - c.start, c.waited) << c.polls_until_taken;
        EXPECT_EQ(input_.requested.back(), notepad);
        EXPECT_EQ(input_.keys, ctrl_v);
        EXPECT_EQ(view_.told, Told{L"pasted 1"});
        EXPECT_TRUE(watcher_.paste_guard());
        EXPECT_EQ(ClipboardText(main_.get()), "pasted");
    }
}

TEST_F(PasteBackTest, ASlotWithNothingRestorableLeavesTheClipboardTypesNothingAndMarksNothing) {
    const struct {
        const char* name;
        ClipEncoding encoding;
        Told told;
        std::size_t keys;
        const char* clipboard;
    } cases[] = {{"written back", ClipEncoding::kGlobal, {L"pasted 1"}, 4, "x"},
                 {"nothing restorable", ClipEncoding::kUnrestorable, {}, 0, "the user's"},
                 {"bytes no bitmap can be made of", ClipEncoding::kBitmap, {}, 0, "the user's"}};
    for (const auto& c : cases) {
        static constexpr std::uint8_t kText[] = {'x', 0};
        ClipSlot slot(1);
        slot[0] = {CF_TEXT, c.encoding, ByteBuffer::CopyOf(kText)};
        ring_.Store(1, std::move(slot));
        PutText(main_.get(), "the user's");
        view_.told.clear();
        input_.keys.clear();
        paste_.PasteSlot(1);
        EXPECT_EQ(view_.told, c.told) << c.name;
        EXPECT_EQ(input_.keys.size(), c.keys) << c.name;
        EXPECT_EQ(ClipboardText(main_.get()), c.clipboard) << c.name;
        paste_.OnGuardTimer();
    }
}

TEST_F(PasteBackTest, AClickDuringACapturePastesOnceItIsOver) {
    PutText(main_.get(), "first");
    watcher_.OnCaptureTimer();
    reader_.hold = true;
    PutText(main_.get(), "second");
    watcher_.OnCaptureTimer();
    view_.told.clear();
    paste_.PasteSlot(1);
    EXPECT_EQ(ClipboardText(main_.get()), "second");
    EXPECT_TRUE(input_.keys.empty());
    reader_.Deliver();
    EXPECT_EQ(view_.told, (Told{L"reset", L"newest 2", L"2: second", L"pasted 1"}));
    EXPECT_EQ(ClipboardText(main_.get()), "first");
    EXPECT_EQ(input_.keys.size(), 4u);
}

TEST_F(PasteBackTest, AWindowThatCannotTakeTheKeysGetsNoneAndTheUserIsToldTheSlotIsOnTheClipboard) {
    const HWND notepad = reinterpret_cast<HWND>(0x1010);
    using W = WindowFacts;
    const struct {
        bool W::*fact;
        bool value;
        Integrity integrity;
    } cases[] = {
        {nullptr, true, Integrity::kNotAbove},      {&W::minimised, true, Integrity::kNotAbove},
        {&W::visible, false, Integrity::kNotAbove}, {&W::exists, false, Integrity::kNotAbove},
        {nullptr, true, Integrity::kAbove},         {nullptr, true, Integrity::kUnknown}};
    int told = 0;
    paste_.on_left_on_clipboard = [&told] { ++told; };
    PutText(main_.get(), "pasted");
    watcher_.OnCaptureTimer();
    input_.foreground = input_.paste_target = notepad;
    paste_.ShowingFromOutside();
    for (const auto& c : cases) {
        W& target = input_.windows[notepad] = testing::FakeInput::OtherProgram();
        if (c.fact) target.*c.fact = c.value;
        target.integrity = c.integrity;
        const bool typed = &c == cases;
        PutText(main_.get(), "other");
        input_.keys.clear();
        view_.told.clear();
        told = 0;
        paste_.PasteSlot(1);
        EXPECT_EQ(input_.keys.size(), typed ? 4u : 0u) << &c - cases;
        EXPECT_EQ(view_.told, typed ? Told{L"pasted 1"} : Told{}) << &c - cases;
        EXPECT_EQ(told, typed ? 0 : 1) << &c - cases;
        EXPECT_EQ(ClipboardText(main_.get()), "pasted");
        paste_.OnGuardTimer();
    }
}

TEST_F(PasteBackTest, TheAltMaskGoesOnlyIntoTheWindowTheHotKeyCameInWhileAltIsHeldOrJustAfter) {
    const HWND notepad = reinterpret_cast<HWND>(0x1010), console = reinterpret_cast<HWND>(0x3030);
    input_.windows[notepad] = input_.windows[console] = testing::FakeInput::OtherProgram();
    input_.windows[console].class_name = L"ConsoleWindowClass";
    const DWORD sent = 1000;  // the hotkey message's time
    const struct {
        HWND front;
        bool alt_down;
        std::uint32_t handled, front_since;
        bool masked;
    } cases[] = {{notepad, true, sent + 5000, sent - 10, true},
                 {notepad, false, sent + kAltMaskLateMs, sent - 10, true},
                 {notepad, false, sent + kAltMaskLateMs + 1, sent - 10, false},
                 {console, true, sent, sent - 10, false},
                 {notepad, true, sent + 50, sent + 20, false}};  // came to the front since
    for (const auto& c : cases) {
        input_.foreground = c.front;
        input_.AnswerKeyIsDown({c.alt_down, c.alt_down, c.alt_down});
        input_.keys.clear();
        clock_.now = c.handled;
        paste_.ForegroundChanged(c.front, c.front_since);
        paste_.HotKeyPressed(MOD_ALT, sent);
        EXPECT_EQ(!input_.keys.empty(), c.masked) << &c - cases;
    }
}

}  // namespace
}  // namespace nimbara
