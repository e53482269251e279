#include "history/grid_keyboard.h"

#include <gtest/gtest.h>

#include "fake_hotkeys.h"
#include "fake_input_watch.h"
#include "hidden_window.h"
#include "history/slot_tiles.h"
#include "platform/input_facts.h"
#include "platform/layout.h"

namespace nimbara {
namespace {

using testing::FakeInputWatch;
using testing::KeyedHotKeys;

constexpr int kLeftId = kGridHotKeyIdFirst;  // the ids in the order of kGridKeyCodes
constexpr int kRightId = kGridHotKeyIdFirst + 1;
constexpr int kUpId = kGridHotKeyIdFirst + 2;
constexpr int kEnterId = kGridHotKeyIdFirst + 4;
constexpr int kEscapeId = kGridHotKeyIdFirst + 5;

class GridKeyboardTest : public ::testing::Test {
protected:
    GridKeyboardTest() {
        // Slots 1, 2, 3 and 6 filled, 6 the newest.
        for (int slot = 1; slot <= 6; ++slot) {
            if (slot != 4 && slot != 5) ring_.Store(slot, {});
            ring_.AdvanceNextSlot();
        }
        keyboard_.paste = [this](int slot) {
            // Let go before the paste: its Ctrl+V and every key after it are the user's.
            EXPECT_TRUE(hotkeys_.held.empty());
            EXPECT_FALSE(watch_.running());
            pasted_.push_back(slot);
        };
        keyboard_.hide = [this] { ++hides_; };
    }

    [[nodiscard]] HWND Label(int slot) const {
        HWND band = ::GetDlgItem(grid_.get(), kColorIdBase + slot);
        return ::GetDlgItem(::GetDlgItem(band, kFrameIdBase + slot), kLabelIdBase + slot);
    }
    void Key(UINT vk, bool modifiers = false, bool injected = false) {
        ASSERT_TRUE(watch_.observer);
        watch_.observer->KeyDown(
            {.virtual_key = vk, .modifiers_down = modifiers, .injected = injected});
    }
    void ExpectHeld(bool held) {
        EXPECT_EQ(keyboard_.holds(), held);
        EXPECT_EQ(watch_.running(), held);
        EXPECT_EQ(hotkeys_.held.size(), held ? std::size_t(kGridKeyCount) : 0u);
    }

    UniqueHwnd main_ = testing::HiddenWindow();
    UniqueHwnd grid_ = testing::HiddenWindow();
    UniqueHFont font_ = CreateSongTiFont();
    SlotRing ring_;
    SlotTiles tiles_{grid_.get(), LayoutScale{}, font_.get(), nullptr};
    KeyedHotKeys hotkeys_;
    FakeInputWatch watch_;
    GridKeyboard keyboard_{main_.get(), ring_, tiles_, hotkeys_, watch_};
    std::vector<int> pasted_;
    int hides_ = 0;
};

TEST_F(GridKeyboardTest, OnlyTheHotKeyTakesTheKeysEachUnderAnIdOfItsOwn) {
    keyboard_.Handle(GridEvent::kShownFromTray);
    ExpectHeld(false);
    keyboard_.Handle(GridEvent::kShownByHotKey);
    ExpectHeld(true);
    for (int i = 0; i < kGridKeyCount; ++i) {
        EXPECT_EQ(hotkeys_.held.at(i),
                  (KeyedHotKeys::Key{
                      main_.get(), kGridHotKeyIdFirst + i, {0, kGridKeyCodes[i].virtual_key}}));
    }
    EXPECT_EQ(keyboard_.selected(), 6);
    EXPECT_EQ(tiles_.selected(), 6);
    // The program's own hotkey is not the grid's, and keeps its meaning.
    EXPECT_FALSE(keyboard_.OnHotKey(1));
    EXPECT_TRUE(keyboard_.OnHotKey(kLeftId));
    EXPECT_EQ(tiles_.selected(), 3);
    EXPECT_TRUE(keyboard_.OnHotKey(kUpId));  // 10 and 7 empty: up the column before
    EXPECT_EQ(tiles_.selected(), 6);
    // Every event but the hotkey's lets go; the frame goes with the keys.
    for (GridEvent event : {GridEvent::kHidden, GridEvent::kClick, GridEvent::kPasted,
                            GridEvent::kKeyNotUsed, GridEvent::kExit, GridEvent::kShownFromTray}) {
        keyboard_.Handle(GridEvent::kShownByHotKey);
        keyboard_.Handle(event);
        ExpectHeld(false);
        EXPECT_EQ(tiles_.selected(), 0) << int(event);
    }
    // A late message, or one any program posts, moves nothing once the keys are let go.
    EXPECT_TRUE(keyboard_.OnHotKey(kRightId));
    EXPECT_TRUE(keyboard_.OnHotKey(kEnterId));
    EXPECT_EQ(tiles_.selected(), 0);
    EXPECT_EQ(pasted_, std::vector<int>{});
    EXPECT_EQ(hides_, 0);
}

TEST_F(GridKeyboardTest, EnterPastesTheSelectedTileAndEscTypesNothingBothHide) {
    const struct {
        std::vector<int> ids;
        std::vector<int> pasted;
    } cases[] = {
        {{kEnterId}, {6}},
        {{kLeftId, kEnterId}, {3}},
        {{kRightId, kRightId, kEnterId}, {2}},  // round the grid: 1, then 2
        {{kLeftId, kEscapeId}, {}},
    };
    for (const auto& c : cases) {
        pasted_.clear();
        hides_ = 0;
        keyboard_.Handle(GridEvent::kShownByHotKey);
        for (int id : c.ids) EXPECT_TRUE(keyboard_.OnHotKey(id));
        EXPECT_EQ(pasted_, c.pasted) << c.ids.size();
        EXPECT_EQ(hides_, 1);
        ExpectHeld(false);
    }
}

TEST_F(GridKeyboardTest, TheWatchLetsGoAtTheFirstKeyNotUsedAndAtAnyClick) {
    const struct {
        UINT vk;
        bool modifiers, injected, lets_go;
    } cases[] = {
        {VK_LEFT, false, false, false},     // the grid's: its hotkey comes next
        {kAltMaskKey, false, true, false},  // typed by the program around its hotkey
        {VK_MENU, false, true, false},
        {VK_LEFT, true, false, true},  // Shift+Left is not the grid's key
        {'A', false, false, true},
        {VK_SHIFT, false, false, true},
    };
    for (const auto& c : cases) {
        keyboard_.Handle(GridEvent::kShownByHotKey);
        Key(c.vk, c.modifiers, c.injected);
        // At once, in the hook: the system looks for a hotkey only after it.
        ExpectHeld(!c.lets_go);
        keyboard_.Handle(GridEvent::kHidden);
    }
    keyboard_.Handle(GridEvent::kShownByHotKey);
    watch_.observer->ButtonPressed();
    ExpectHeld(false);

    // A key another program holds is not the grid's: pressed, it reaches the user's window.
    hotkeys_.refused = {{0, VK_ESCAPE}};
    keyboard_.Handle(GridEvent::kShownByHotKey);
    EXPECT_EQ(hotkeys_.held.size(), std::size_t(kGridKeyCount - 1));
    Key(VK_ESCAPE);
    EXPECT_FALSE(keyboard_.holds());
    EXPECT_TRUE(hotkeys_.held.empty());
    // Without the watch the keys still work, and are let go at every hide.
    hotkeys_.refused.clear();
    watch_.refuse = true;
    keyboard_.Handle(GridEvent::kShownByHotKey);
    EXPECT_EQ(hotkeys_.held.size(), std::size_t(kGridKeyCount));
    keyboard_.Handle(GridEvent::kHidden);
    EXPECT_TRUE(hotkeys_.held.empty());
}

// What a screen reader hears, through a WinEvent hook as it sets one.
std::vector<std::tuple<DWORD, HWND, LONG, LONG>> g_events;
void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                     DWORD) {
    g_events.emplace_back(event, window, object, child);
}

TEST_F(GridKeyboardTest, TheSelectionIsAnnouncedOnItsLabel) {
    g_events.clear();
    const HWINEVENTHOOK hook =
        ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_SELECTION, nullptr, &Record,
                          ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook);
    keyboard_.Handle(GridEvent::kShownByHotKey);
    EXPECT_TRUE(keyboard_.OnHotKey(kRightId));
    const std::vector<std::tuple<DWORD, HWND, LONG, LONG>> want = {
        {EVENT_OBJECT_SELECTION, Label(6), OBJID_CLIENT, CHILDID_SELF},
        {EVENT_OBJECT_FOCUS, Label(6), OBJID_CLIENT, CHILDID_SELF},
        {EVENT_OBJECT_SELECTION, Label(1), OBJID_CLIENT, CHILDID_SELF},
        {EVENT_OBJECT_FOCUS, Label(1), OBJID_CLIENT, CHILDID_SELF},
    };
    // Out of context, the events come through this thread's messages.
    const DWORD start = ::GetTickCount();
    while (g_events.size() < want.size() && ::GetTickCount() - start < 10000) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    ::UnhookWinEvent(hook);
    EXPECT_EQ(g_events, want);
}

}  // namespace
}  // namespace nimbara
