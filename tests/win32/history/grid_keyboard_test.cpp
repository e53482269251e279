#include "history/grid_keyboard.h"

#include <gtest/gtest.h>

#include "fake_hotkeys.h"
#include "history/slot_tiles.h"

namespace nimbara {
namespace {

// The grid's keys in the order of kGridKeyCodes, each under its id.
enum : int { kLeft = kGridHotKeyIdFirst, kRight, kUp, kDown, kEnter, kEscape };

// Input reported by the test as the hooks would, through `observer` while the watch runs.
struct FakeInputWatch final : InputWatchApi {
    bool Start(InputObserver& o) override { return (observer = &o) != nullptr; }
    void Stop() noexcept override { observer = nullptr; }
    InputObserver* observer = nullptr;
};

std::vector<std::pair<DWORD, HWND>> g_events;  // what a screen reader hears
void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                     DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) g_events.emplace_back(event, window);
}

TEST(GridKeyboardTest, ShownByTheHotKeyTheGridHoldsItsKeysUntilEnterEscAKeyNotUsedOrAClick) {
    SlotRing ring;
    for (int slot : {1, 2, 3, 4, 5, 6}) {  // 1, 2, 3 and 6 filled, 6 the newest
        if (slot != 4 && slot != 5) ring.Store(slot, {});
        ring.AdvanceNextSlot();
    }
    const UniqueHwnd main = testing::HiddenWindow(), grid = testing::HiddenWindow();
    const UniqueHFont font = CreateSongTiFont();
    SlotTiles tiles{grid.get(), LayoutScale{}, font.get(), nullptr};
    FakeInputWatch watch;
    GridKeyboard keyboard{main.get(), ring, tiles, SystemHotKeys(), watch};
    const auto holds = [&] {  // registered for the window and watched, or neither
        const bool held = testing::Held({0, VK_LEFT});
        EXPECT_EQ(testing::Held({0, VK_ESCAPE}), held);
        EXPECT_EQ(watch.observer != nullptr, held);
        return held;
    };
    std::vector<int> pastes;
    int hides = 0;
    keyboard.paste = [&](int slot) {
        EXPECT_FALSE(holds());  // the paste's keys and every one after it are the user's
        pastes.push_back(slot);
    };
    keyboard.hide = [&] { ++hides; };
    const HWINEVENTHOOK hook =
        ::SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_SELECTION, nullptr, &Record,
                          ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    using Case = std::tuple<std::vector<int>, std::vector<int>, int>;  // ids, pasted, selected
    // Round the grid (1, then 2); up from 6 to 2; id 1 is the program's hotkey, not the grid's.
    for (const auto& [ids, pasted, selected] : {Case{{kEnter}, {6}, 0},
                                                {{kLeft, kEnter}, {3}, 0},
                                                {{kRight, kRight, kEnter}, {2}, 0},
                                                {{kLeft, kEscape}, {}, 0},
                                                {{kUp, 1}, {}, 2}}) {
        pastes.clear();
        keyboard.Handle(GridEvent::kShownByHotKey);
        EXPECT_TRUE(holds());
        EXPECT_EQ(tiles.selected(), 6);
        for (int id : ids) EXPECT_EQ(keyboard.OnHotKey(id), id != 1);
        EXPECT_EQ(pastes, pasted);
        EXPECT_EQ(tiles.selected(), selected);
        EXPECT_EQ(holds(), selected != 0);
    }
    EXPECT_EQ(hides, 4);
    // Let go at once, in the hook, before the system looks for a hotkey; Left is the grid's.
    watch.observer->KeyDown({.virtual_key = VK_LEFT});
    EXPECT_TRUE(holds());
    watch.observer->KeyDown({.virtual_key = 'A'});
    EXPECT_FALSE(holds());
    keyboard.Handle(GridEvent::kShownByHotKey);
    watch.observer->ButtonPressed();
    EXPECT_FALSE(holds());
    // A late message, or one any program posts, does nothing once the keys are let go.
    EXPECT_TRUE(keyboard.OnHotKey(kEnter));
    EXPECT_EQ(hides, 4);
    // Every selection is announced on its tile's label. Out of context, the events come
    // through this thread's messages.
    std::vector<std::pair<DWORD, HWND>> want;
    for (int slot : {6, 6, 3, 6, 1, 2, 6, 3, 6, 2, 6}) {
        HWND band = ::GetDlgItem(grid.get(), kColorIdBase + slot);
        HWND label = ::GetDlgItem(::GetDlgItem(band, kFrameIdBase + slot), kLabelIdBase + slot);
        want.insert(want.end(), {{EVENT_OBJECT_SELECTION, label}, {EVENT_OBJECT_FOCUS, label}});
    }
    for (const DWORD start = ::GetTickCount();
         g_events.size() < want.size() && ::GetTickCount() - start < 10000;
         ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT))
        for (MSG msg; ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) ::DispatchMessageW(&msg);
    ::UnhookWinEvent(hook);
    EXPECT_EQ(g_events, want);
}

}  // namespace
}  // namespace nimbara
