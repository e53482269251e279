// Where the main window opens and how it stays in sight as the monitors change under
// it: monitors laid out by the test, the window real.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "app/app_window.h"
#include "app/program.h"
#include "fake_monitors.h"

namespace nimbara {
namespace {

constexpr MonitorArea kLeft{{0, 0, 1024, 768}, {0, 0, 1024, 738}};
constexpr MonitorArea kRight{{1024, 0, 2048, 768}, {1024, 0, 2048, 738}};
constexpr MonitorArea kSmall{{0, 0, 640, 480}, {0, 0, 640, 450}};
constexpr MonitorArea kTiny{{0, 0, 400, 300}, {0, 0, 400, 300}};

TEST(MainWindowPlacementTest, OpensWhereTheUserIsAndComesBackInSightWhenTheMonitorsChange) {
    testing::FakeMonitors monitors;
    monitors.areas = {kLeft, kRight};
    ApplicationWindow application;
    application.Create();
    Program program(application.hwnd(), monitors);
    MainWindow& main = program.main_window();
    HWND window = main.hwnd();
    RECT r{};
    ::GetWindowRect(window, &r);
    const SIZE size{r.right - r.left, r.bottom - r.top};
    const auto open = [&](UserAt at) {
        if (main.shown()) main.ToolButton1Click();
        main.ToolButton1Click(at);
    };
    const auto screen_changes = [&](std::vector<MonitorArea> areas) {
        monitors.areas = std::move(areas);
        ::SendMessageW(window, WM_DISPLAYCHANGE, 32, 0);
    };
    const auto drag_to = [&](int x, int y) {
        ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const struct {
        const char* name;
        std::function<void()> step;
        POINT expected;
    } steps[] = {
        {"the tray clicked on the right monitor",
         [&] { monitors.pointer_on = 1, open(UserAt::kPointer); },
         {1024 + 278, 169}},
        {"that monitor removed", [&] { screen_changes({kLeft}); }, {278, 169}},
        {"the hotkey in a window on the right",
         [&] {
             screen_changes({kLeft, kRight});
             monitors.pointer_on = 0, monitors.foreground_on = 1;
             open(UserAt::kForegroundWindow);
         },
         {1024 + 278, 169}},
        {"the monitors changed around it",
         [&] {
             screen_changes({kRight, kLeft});
         },
         {1024 + 278, 169}},
        {"a lower resolution", [&] { screen_changes({kSmall}); }, {640 - size.cx, 450 - size.cy}},
        {"dragged, it stays across hiding and showing",
         [&] { drag_to(100, 10), open(UserAt::kPointer); },
         {100, 10}},
        {"dragged, a lower resolution moves it in as little as needed",
         [&] { drag_to(500, 0), screen_changes({kSmall}); },
         {640 - size.cx, 0}},
        {"larger than the screen: at its top-left corner",
         [&] { screen_changes({kTiny}); },
         {0, 0}},
        {"hidden, the monitors change: nothing moves",
         [&] { main.ToolButton1Click(), screen_changes({kRight}); },
         {0, 0}},
        {"shown again: in onto the monitor nearest", [&] { main.ToolButton1Click(); }, {1024, 0}},
    };
    for (const auto& s : steps) {
        s.step();
        ::GetWindowRect(window, &r);
        EXPECT_EQ(r.left, s.expected.x) << s.name;
        EXPECT_EQ(r.top, s.expected.y) << s.name;
    }
    main.Close();
    MSG quit{};
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
}  // namespace nimbara
