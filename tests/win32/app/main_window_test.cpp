// The main window as the program builds it: hidden, owned by the application window, framed
// without a title bar, every part at its designed place at each DPI, the toolbar's buttons and
// hints; and the messages it answers from outside: the hotkey's, the session's end, Alt+F4.
// Its layout tables (the bands run the window's width one under the other down to its bottom,
// each band's controls inside it, apart, in order) and its About command (built at its first
// use, owned by the application window, the same dialog every time after).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <tuple>

#include "app/main_window.h"
#include "fake_hotkeys.h"
#include "layout_invariants.h"
#include "modal_driver.h"
#include "program_fixture.h"

namespace nimbara {
namespace {

using enum Command;

auto Edges(const RECT& r) { return std::tuple(r.left, r.top, r.right, r.bottom); }
auto Edges(const TileBox& b) { return std::tuple(b.left, b.top, b.right, b.bottom); }
std::wstring TextOf(HWND window) {
    wchar_t text[64] = {};
    ::GetWindowTextW(window, text, 64);
    return text;
}
SIZE Extent(HFONT font, const wchar_t* text) {
    HDC dc = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return size;
}
BOOL CALLBACK CountShown(HWND window, LPARAM count) {
    *reinterpret_cast<int*>(count) += ::IsWindowVisible(window) ? 1 : 0;
    return TRUE;
}
bool Fits(SIZE size, const RECT& r) {
    return size.cx <= r.right - r.left && size.cy <= r.bottom - r.top;
}

class MainWindowTest : public testing::ProgramFixture {
protected:
    MainWindowTest() : ProgramFixture({{{0, 0, 1280, 1024}, {0, 0, 1280, 994}}}) {}
    HWND Part(MainControl id) {
        HWND main = program->main_window().hwnd();
        if (HWND band = ::GetDlgItem(main, int(id))) return band;
        const MainControl band =
            id == MainControl::kToolBar ? MainControl::kToolBarPanel : MainControl::kTitleStrip;
        return ::GetDlgItem(::GetDlgItem(main, int(band)), int(id));
    }
};

TEST_F(MainWindowTest, BuiltHiddenOwnedByTheApplicationWindowFramedWithoutATitleBar) {
    HWND main = Start().hwnd();
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_FALSE(::IsWindowVisible(application.hwnd()));
    EXPECT_EQ(::GetWindow(main, GW_OWNER), application.hwnd());
    EXPECT_EQ(TextOf(main), L"MainForm");
    EXPECT_EQ(TextOf(application.hwnd()), L"Nimbara");
    // No taskbar button: the owner is a tool window, the main window an owned one.
    EXPECT_TRUE(::GetWindowLongW(application.hwnd(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    const LONG style = ::GetWindowLongW(main, GWL_STYLE);
    const LONG ex_style = ::GetWindowLongW(main, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_SYSMENU), WS_POPUP | WS_SYSMENU);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(ex_style & (WS_EX_DLGMODALFRAME | WS_EX_TOPMOST),
              WS_EX_DLGMODALFRAME | WS_EX_TOPMOST);
    // The outer height is the designed client height; the client area is that less the
    // frame, which is as wide on every side.
    const LayoutScale scale = program->main_window().scale();
    RECT outer, client;
    ::GetWindowRect(main, &outer);
    ::GetClientRect(main, &client);
    ::MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(std::pair(outer.left, outer.top), std::pair(278L, 169L));
    EXPECT_EQ(client.right - client.left, scale(kMainWindow.client.cx));
    EXPECT_EQ(outer.bottom - outer.top, scale(kMainWindow.client.cy));
    const LONG frame = client.left - outer.left;
    EXPECT_EQ(Edges(RECT{client.top - outer.top, outer.right - client.right,
                         outer.bottom - client.bottom, 0}),
              Edges(RECT{frame, frame, frame, 0}));
}

TEST_F(MainWindowTest, EveryPartLiesAtItsDesignedPlaceAndItsTextFitsAtEachDpi) {
    for (const int dpi : {96, 120, 144}) {
        SCOPED_TRACE(dpi);
        MainWindow& main = Start(dpi);
        const LayoutScale scale = main.scale();
        RECT client;
        ::GetClientRect(main.hwnd(), &client);
        const int strip = scale(20), form = strip + scale(42);
        EXPECT_EQ(Edges(testing::RectInParent(Part(MainControl::kTitleStrip))),
                  Edges(RECT{0, 0, client.right, strip}));
        EXPECT_EQ(Edges(testing::RectInParent(Part(MainControl::kToolBarPanel))),
                  Edges(RECT{0, strip, client.right, form}));
        EXPECT_EQ(Edges(testing::RectInParent(Part(MainControl::kTilePanel))),
                  Edges(RECT{0, form, client.right, client.bottom}));
        for (const LayoutRow& row : kTitleStripLayout)
            EXPECT_EQ(Edges(testing::RectInParent(Part(MainControl(row.id)))),
                      Edges(Scaled(scale, row.place)))
                << row.id;
        // The toolbar's size is scaled apart from its corner: as tall as a scaled button.
        const DesignedRect bar = kToolBarPanelLayout[0].place;
        EXPECT_EQ(Edges(testing::RectInParent(Part(MainControl::kToolBar))),
                  Edges(RECT{scale(bar.x), scale(bar.y), scale(bar.x) + scale(bar.width),
                             scale(bar.y) + scale(bar.height)}));
        for (int slot = 1; slot <= 12; ++slot) {
            HWND band = ::GetDlgItem(main.tile_panel(), kColorIdBase + slot);
            HWND frame = ::GetDlgItem(band, kFrameIdBase + slot);
            HWND label = ::GetDlgItem(frame, kLabelIdBase + slot);
            const TileParts parts = PartsOfTile(slot, scale);
            EXPECT_EQ(Edges(testing::RectInParent(band)), Edges(parts.band)) << slot;
            EXPECT_EQ(Edges(testing::RectInParent(frame)), Edges(parts.frame)) << slot;
            EXPECT_EQ(Edges(testing::RectInParent(label)), Edges(parts.label)) << slot;
        }
        const UniqueHFont bold = CreateSongTiFontForDpi(dpi, true, GB2312_CHARSET);
        EXPECT_TRUE(Fits(Extent(bold.get(), L"Nimbara"),
                         testing::RectInParent(Part(MainControl::kCaption))));
        HWND label = ::GetDlgItem(
            ::GetDlgItem(::GetDlgItem(main.tile_panel(), kColorIdBase + 1), kFrameIdBase + 1),
            kLabelIdBase + 1);
        EXPECT_TRUE(Fits(Extent(main.font(), L"(空)"), testing::RectInParent(label)));
    }
}

TEST_F(MainWindowTest, ToolBarButtonsImagesAndHintsShownOverTheInactiveWindowAndHelpDoesNothing) {
    MainWindow& main = Start();
    const LayoutScale scale = main.scale();
    const struct {
        Command command;
        int image;  // -1: a separator
        const wchar_t* hint;
    } buttons[] = {
        {kToolToggle, 3, L"隐藏"},
        {kToolClearAll, 1, L"全部清空"},
        {kToolSettings, 0, L"设置"},
        {kToolSeparatorAfterSettings, -1, nullptr},
        {kToolHelp, 2, L"帮助"},
        {kToolAbout, 4, L"关于"},
        {kToolSeparatorAfterAbout, -1, nullptr},
        {kToolExit, 5, L"退出程序"},
    };
    HWND toolbar = Part(MainControl::kToolBar);
    ASSERT_EQ(::SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), LRESULT(std::size(buttons)));
    const LRESULT size = ::SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(std::pair(LOWORD(size), HIWORD(size)),
              std::pair(WORD(scale(kToolButtonSize.cx)), WORD(scale(kToolButtonSize.cy))));
    for (int i = 0; i < int(std::size(buttons)); ++i) {
        const auto& want = buttons[i];
        SCOPED_TRACE(UINT(want.command));
        TBBUTTON b{};
        ::SendMessageW(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        RECT r{};
        ::SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        EXPECT_EQ(b.idCommand, int(want.command));
        EXPECT_EQ(r.right - r.left, scale(want.image < 0 ? kToolSeparatorWidth : 39));
        if (want.image < 0) {
            EXPECT_TRUE(b.fsStyle & BTNS_SEP);
            continue;
        }
        EXPECT_EQ(b.iBitmap, want.image);
        NMTTDISPINFOW info{};
        info.hdr = {toolbar, UINT_PTR(want.command), TTN_GETDISPINFOW};
        ::SendMessageW(main.hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(info.lpszText, want.hint);
    }
    HWND tips = reinterpret_cast<HWND>(::SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0));
    EXPECT_TRUE(::GetWindowLongW(tips, GWL_STYLE) & TTS_ALWAYSTIP);

    // "帮助" opens nothing and leaves the window where and as it is.
    main.ToggleShown();
    const auto seen = [&] {
        int shown = 0;
        ::EnumThreadWindows(::GetCurrentThreadId(), &CountShown, reinterpret_cast<LPARAM>(&shown));
        RECT r;
        ::GetWindowRect(main.hwnd(), &r);
        return std::tuple(shown, main.shown(), Edges(r));
    };
    const auto before = seen();
    for (Command help : {kToolHelp, kMenuHelp}) main.OnCommand(UINT(help));
    EXPECT_EQ(seen(), before);
}

TEST_F(MainWindowTest, OnlyAHotKeyMessageWithTheCurrentCombinationToggles) {
    HWND main = Start().hwnd();
    const struct {
        const char* name;
        UINT modifiers, key;
        LRESULT answer;
        bool shown_after;
    } messages[] = {
        {"the key with other modifiers", MOD_CONTROL, 'V', 0, false},
        {"the key with more modifiers", MOD_ALT | MOD_SHIFT, 'V', 0, false},
        {"the modifiers with another key", MOD_ALT, 'Q', 0, false},
        {"no modifiers", 0, 'V', 0, false},
        {"Alt+V", MOD_ALT, 'V', 1, true},
        {"Alt+V again", MOD_ALT, 'V', 1, false},
    };
    for (const auto& m : messages) {
        EXPECT_EQ(::SendMessageW(main, WM_HOTKEY, kHotKeyId, MAKELPARAM(m.modifiers, m.key)),
                  m.answer)
            << m.name;
        EXPECT_EQ(program->main_window().shown(), m.shown_after) << m.name;
    }
}

// The session's end is agreed to by both windows and ends the program's loop only when the
// session does end. However the loop ends without a close (that, a WM_QUIT from outside), the
// program's end gives the viewer chain and the hotkey back; Alt+F4 closes it as the exit does.
TEST_F(MainWindowTest, TheSessionsEndAQuitFromOutsideAndAltF4EachGiveTheChainAndHotKeyBack) {
    HWND main = Start().hwnd();
    for (HWND window : {main, application.hwnd()})
        EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, 0), TRUE);
    ::SendMessageW(main, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(TakeQuit(), std::nullopt) << "ended although the session goes on";
    ::SendMessageW(main, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(0));
    ASSERT_EQ(::GetClipboardViewer(), main);
    ASSERT_TRUE(testing::Held(kDefaultHotKey));
    program.reset();
    EXPECT_NE(::GetClipboardViewer(), main);
    EXPECT_FALSE(testing::Held(kDefaultHotKey));

    main = Start().hwnd();
    ::SendMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(TakeQuit(), std::optional<WPARAM>(0));
    EXPECT_NE(::GetClipboardViewer(), main);
    EXPECT_FALSE(testing::Held(kDefaultHotKey));
}

TEST(MainWindowLayoutTest, BandsStackDownTheWholeClientArea) {
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

TEST(MainWindowLayoutTest, EachBandHoldsItsControlsApartAndInOrder) {
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

TEST(MainWindowCommandTest, AboutBuildsTheDialogOnceAndOpensItFromToolbarAndTrayMenu) {
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
