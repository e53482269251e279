// The program composed as it starts, on monitors the test lays out, for the tests of its main
// window: started at a DPI, ended as the exit command ends it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <utility>
#include <vector>

#include "app/app_window.h"
#include "app/program.h"
#include "fake_monitors.h"

namespace nimbara::testing {

class ProgramFixture : public ::testing::Test {
protected:
    explicit ProgramFixture(std::vector<MonitorArea> areas) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&icc);
        application.Create();
        screen.areas = std::move(areas);
    }
    ~ProgramFixture() override { End(); }
    MainWindow& Start(int dpi = 96) {
        End();
        screen.dpi = dpi;
        return program.emplace(application.hwnd(), screen, screen).main_window();
    }
    // Closed as the exit command closes it; the quit it posts is taken off this thread.
    void End() {
        if (!program) return;
        program->main_window().Close();
        TakeQuit();
        program.reset();
    }
    static std::optional<WPARAM> TakeQuit() {
        MSG quit{};
        if (!::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return std::nullopt;
        return quit.wParam;
    }

    nimbara::ApplicationWindow application;
    FakeMonitors screen;
    std::optional<Program> program;
};

}  // namespace nimbara::testing
