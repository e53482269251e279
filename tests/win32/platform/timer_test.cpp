// A window's timers tick to it with the ids they were started with; a window that is gone
// has none.
#include "platform/timer.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>

namespace nimbara {
namespace {

TEST(WindowTimersTest, EachTimerTicksToItsWindowWithItsIdAndAWindowGoneHasNone) {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    WindowTimers timers(window);
    const UINT_PTR ids[] = {1, 4};
    for (const UINT_PTR id : ids) ASSERT_TRUE(timers.Start(id, 10)) << id;
    std::set<UINT_PTR> ticked;
    MSG msg;
    for (int round = 0; round < 100 && ticked.size() < std::size(ids); ++round) {
        if (::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_TIMER) != WAIT_OBJECT_0) break;
        while (::PeekMessageW(&msg, window, WM_TIMER, WM_TIMER, PM_REMOVE))
            ticked.insert(msg.wParam);
    }
    for (const UINT_PTR id : ids) timers.Stop(id);
    EXPECT_EQ(ticked, (std::set<UINT_PTR>{1, 4}));
    ::DestroyWindow(window);
    EXPECT_FALSE(timers.Start(1, 10));
}

}  // namespace
}  // namespace nimbara
