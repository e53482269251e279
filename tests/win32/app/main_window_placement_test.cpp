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
    const std::vector<MonitorArea> both{kLeft, kRight}, swapped{kRight, kLeft};
    testing::FakeMonitors monitors;
    monitors.areas = both;
    ApplicationWindow application;
    application.Create();
    Program program(application.hwnd(), monitors);
    MainWindow& main = program.main_window();
    HWND window = main.hwnd();
    RECT r{};
    ::GetWindowRect(window, &r);
    const SIZE size{r.right - r.left, r.bottom - r.top};
    // Shown by the tray (the pointer) or the hotkey (the foreground window) on `monitor`.
    const auto open = [&](UserAt at, std::size_t monitor) {
        if (main.shown()) main.ToolButton1Click();
        monitors.pointer_on = at == UserAt::kPointer ? monitor : 1 - monitor;
        monitors.foreground_on = at == UserAt::kPointer ? 1 - monitor : monitor;
        main.ToolButton1Click(at);
    };
    const auto change = [&](std::vector<MonitorArea> areas) {
        monitors.areas = std::move(areas);
        ::SendMessageW(window, WM_DISPLAYCHANGE, 32, 0);
    };
    const auto drag = [&](int x, int y) {
        ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    const struct {
        const char* name;
        std::function<void()> step;
        POINT expected;
    } steps[] = {
        {"the tray, on the right", [&] { open(UserAt::kPointer, 1); }, {1302, 169}},
        {"that monitor removed", [&] { change({kLeft}); }, {278, 169}},
        {"both again", [&] { change(both); }, {278, 169}},
        {"the hotkey, on the right", [&] { open(UserAt::kForegroundWindow, 1); }, {1302, 169}},
        {"the monitors reordered", [&] { change(swapped); }, {1302, 169}},
        {"a lower resolution", [&] { change({kSmall}); }, {640 - size.cx, 450 - size.cy}},
        {"dragged, shown again", [&] { drag(100, 10), open(UserAt::kPointer, 1); }, {100, 10}},
        {"dragged, a lower resolution",
         [&] { drag(500, 0), change({kSmall}); },
         {640 - size.cx, 0}},
        {"larger than the screen", [&] { change({kTiny}); }, {0, 0}},
        {"hidden, a change", [&] { main.ToolButton1Click(), change({kRight}); }, {0, 0}},
        {"shown again, off the screen", [&] { main.ToolButton1Click(); }, {1024, 0}},
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
