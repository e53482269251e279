// The main window: its layout tables (the bands run the window's width one under the other
// down to its bottom, each band's controls inside it, apart, in order) and its About command
// (the toolbar button "关于" and the tray menu's "关于(&A)" build the dialog at their first
// use, owned by the application window, and open that same dialog every time after).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "app/app_window.h"
#include "app/main_window.h"
#include "app/program.h"
#include "layout_invariants.h"
#include "modal_driver.h"

namespace nimbara {
namespace {

TEST(MainWindowTest, LayoutBandsStackDownTheWholeClientArea) {
    testing::ExpectSoundLayout(kMainWindowLayout, kMainWindow.client);
    int top = 0;
    for (const LayoutRow& band : kMainWindowLayout) {
        SCOPED_TRACE(band.id);
        EXPECT_EQ(band.place.x, 0);
        EXPECT_EQ(band.place.width, kMainWindow.client.cx);
        EXPECT_EQ(band.place.y, top);
        top = band.place.bottom();
    }
    EXPECT_EQ(top, kMainWindow.client.cy);
}

TEST(MainWindowTest, LayoutEachBandHoldsItsControlsApartAndInOrder) {
    const auto size_of = [](MainControl id) {
        for (const LayoutRow& band : kMainWindowLayout)
            if (band.id == UINT(id)) return SIZE{band.place.width, band.place.height};
        return SIZE{};
    };
    testing::ExpectSoundLayout(kTitleStripLayout, size_of(MainControl::kTitleStrip));
    testing::ExpectSoundLayout(kToolBarPanelLayout, size_of(MainControl::kToolBarPanel));
    EXPECT_EQ(kToolBarPanelLayout[0].place.height, kToolButtonSize.cy);
}

using testing::WhileModal;

constexpr wchar_t kAboutClass[] = L"TAboutForm";

HWND FindAbout() { return ::FindWindowW(kAboutClass, nullptr); }

TEST(MainWindowTest, AboutBuildsTheDialogOnceAndOpensItFromToolbarAndTrayMenu) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ApplicationWindow application;
    application.Create();
    Program program(application.hwnd());
    MainWindow& main = program.main_window();
    EXPECT_EQ(FindAbout(), nullptr) << "built before its first use";
    // The dialog opens over the shown main window, which stays on top of others.
    main.ToggleShown();
    ASSERT_TRUE(::IsWindowVisible(main.hwnd()));

    const struct {
        const char* name;
        UINT command;
    } openings[] = {{"toolbar 关于", UINT(Command::kToolAbout)},
                    {"tray menu 关于(&A)", UINT(Command::kMenuAbout)},
                    {"toolbar again", UINT(Command::kToolAbout)}};
    HWND first = nullptr;
    for (const auto& opening : openings) {
        SCOPED_TRACE(opening.name);
        HWND shown = nullptr;
        HWND owner = nullptr;
        HWND under_button = nullptr;
        const bool ended = WhileModal(
            kAboutClass, [&] { main.OnCommand(opening.command); },
            [&] {
                shown = FindAbout();
                if (!::IsWindowVisible(shown)) shown = nullptr;
                owner = ::GetWindow(shown, GW_OWNER);
                HWND ok = ::GetDlgItem(shown, IDOK);
                under_button = ::WindowFromPoint(testing::ScreenCentre(ok));
                ::SendMessageW(ok, BM_CLICK, 0, 0);
            });
        EXPECT_TRUE(ended);
        ASSERT_NE(shown, nullptr) << "no About dialog was shown";
        EXPECT_EQ(owner, application.hwnd());
        EXPECT_EQ(under_button, ::GetDlgItem(shown, IDOK)) << "the dialog is covered";
        if (!first) first = shown;
        EXPECT_EQ(shown, first) << "a new dialog for a later opening";
        EXPECT_FALSE(::IsWindowVisible(shown));
    }
    main.Close();
    // The close ends the program's loop; this test's thread goes on.
    MSG quit{};
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

}  // namespace
}  // namespace nimbara
