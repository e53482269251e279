// The main window on monitors of other scales: built at the DPI of the monitor it is on,
// and built again, at the size its layout has there, when that DPI changes. Every part
// lies at its designed place scaled by the text height of the window's font at its DPI.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "about/about_dialog.h"
#include "app/app_window.h"
#include "app/program.h"
#include "fake_dpi.h"
#include "history/slot_tiles.h"
#include "history/tile_rules.h"
#include "modal_driver.h"
#include "platform/layout_rules.h"

// Rectangles compared and shown as the expectations give them (RECT is the system's own).
inline bool operator==(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }
inline void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace nimbara {
namespace {

using testing::FakeDpi;
using testing::RectInParent;

RECT ToRect(const TileBox& b) { return {b.left, b.top, b.right, b.bottom}; }

RECT WindowRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

class MainWindowDpiTest : public ::testing::Test {
protected:
    MainWindowDpiTest() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&icc);
        application.Create();
    }

    // The window, its title strip, its bands, its toolbar and its tiles as laid out at `dpi`.
    static void ExpectLaidOutAt(MainWindow& main, int dpi) {
        SCOPED_TRACE(dpi);
        EXPECT_EQ(main.dpi(), dpi);
        const UniqueHFont font = CreateSongTiFontForDpi(dpi);
        const LayoutScale scale = ScaleFor(font.get());
        EXPECT_EQ(MeasureTextHeight(main.font()), MeasureTextHeight(font.get()));
        EXPECT_EQ(main.scale(), scale);
        const auto part = [&](MainControl id, HWND parent) {
            return ::GetDlgItem(parent, static_cast<int>(id));
        };
        RECT client;
        ::GetClientRect(main.hwnd(), &client);
        EXPECT_EQ(client.right, scale(kMainWindow.client.cx));
        const RECT outer = WindowRect(main.hwnd());
        EXPECT_EQ(outer.bottom - outer.top, scale(kMainWindow.client.cy));
        HWND strip = part(MainControl::kTitleStrip, main.hwnd());
        EXPECT_EQ(RectInParent(strip), (RECT{0, 0, client.right, scale(20)}));
        for (const LayoutRow& row : kTitleStripLayout)
            EXPECT_EQ(RectInParent(part(MainControl(row.id), strip)), Scaled(scale, row.place))
                << row.id;
        EXPECT_EQ(RectInParent(part(MainControl::kToolBarPanel, main.hwnd())),
                  (RECT{0, scale(20), client.right, scale(20) + scale(42)}));
        EXPECT_EQ(RectInParent(main.tile_panel()),
                  (RECT{0, scale(20) + scale(42), client.right, client.bottom}));
        // The toolbar's pictures drawn for the DPI, in buttons of the scaled size.
        HWND toolbar = part(MainControl::kToolBar, part(MainControl::kToolBarPanel, main.hwnd()));
        int image_width = 0, image_height = 0;
        ::ImageList_GetIconSize(
            reinterpret_cast<HIMAGELIST>(::SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0)),
            &image_width, &image_height);
        EXPECT_EQ(image_width, ArtworkLength(kToolImageSize, dpi));
        EXPECT_EQ(image_height, ArtworkLength(kToolImageSize, dpi));
        const auto button = static_cast<DWORD>(::SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0));
        EXPECT_EQ(LOWORD(button), scale(kToolButtonSize.cx));
        EXPECT_EQ(HIWORD(button), scale(kToolButtonSize.cy));
        for (const int slot : {1, 6, 12}) {
            SCOPED_TRACE(slot);
            const TileParts parts = PartsOfTile(slot, scale);
            HWND band = ::GetDlgItem(main.tile_panel(), kColorIdBase + slot);
            HWND frame = ::GetDlgItem(band, kFrameIdBase + slot);
            EXPECT_EQ(RectInParent(band), ToRect(parts.band));
            EXPECT_EQ(RectInParent(frame), ToRect(parts.frame));
            EXPECT_EQ(RectInParent(::GetDlgItem(frame, kLabelIdBase + slot)), ToRect(parts.label));
        }
    }

    static void Close(Program& program) {
        program.main_window().Close();
        // The close ends the program's loop; this test's thread goes on.
        MSG quit{};
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }

    ApplicationWindow application;
};

TEST_F(MainWindowDpiTest, BuiltAtTheDpiOfTheMonitorItIsOn) {
    for (const int dpi : {96, 120, 144, 192}) {
        FakeDpi monitor(dpi);
        Program program(application.hwnd(), monitor);
        ExpectLaidOutAt(program.main_window(), dpi);
        Close(program);
    }
}

TEST_F(MainWindowDpiTest, BuiltAgainWhenItsDpiChangesAndTakesTheSizeOfItsLayout) {
    FakeDpi monitor(96);
    Program program(application.hwnd(), monitor);
    MainWindow& main = program.main_window();
    const RECT designed = WindowRect(main.hwnd());

    // The system's suggestion is not read: the window works out its own place, here at
    // its corner, as nobody drags it.
    const SIZE predicted = main.SizeAtDpi(144);
    monitor.dpi = 144;
    RECT suggested{0, 0, 10, 10};
    ::SendMessageW(main.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
    ExpectLaidOutAt(main, 144);
    const RECT at_144 = WindowRect(main.hwnd());
    EXPECT_EQ(at_144.left, designed.left);
    EXPECT_EQ(at_144.top, designed.top);
    EXPECT_EQ(at_144.right - at_144.left, predicted.cx);
    EXPECT_EQ(at_144.bottom - at_144.top, predicted.cy);

    // A message that any program can post, with anything in it, changes nothing while the
    // DPI stays as it is.
    ::PostMessageW(main.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192), 1);
    MSG msg;
    while (::PeekMessageW(&msg, main.hwnd(), 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    EXPECT_EQ(WindowRect(main.hwnd()), at_144);
    EXPECT_EQ(main.dpi(), 144);

    // Dragged onto a monitor of 192 dpi: scaled about the pointer, which stays on the
    // same spot of the window.
    ::SendMessageW(main.hwnd(), WM_ENTERSIZEMOVE, 0, 0);
    ::SetCursorPos(at_144.left + 100, at_144.top + 10);
    POINT pointer{};
    ::GetCursorPos(&pointer);
    monitor.dpi = 192;
    ::SendMessageW(main.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
    ::SendMessageW(main.hwnd(), WM_EXITSIZEMOVE, 0, 0);
    ExpectLaidOutAt(main, 192);
    const RECT at_192 = WindowRect(main.hwnd());
    const ScreenBox expected = PlaceAfterDpiChange(
        {at_144.left, at_144.top, at_144.right, at_144.bottom}, at_192.right - at_192.left,
        at_192.bottom - at_192.top, pointer.x, pointer.y);
    EXPECT_EQ(at_192, (RECT{expected.left, expected.top, expected.right, expected.bottom}));

    // Back at 96 dpi, as it was built.
    monitor.dpi = 96;
    ::SendMessageW(main.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), 0);
    ExpectLaidOutAt(main, 96);
    const RECT back = WindowRect(main.hwnd());
    EXPECT_EQ(back.right - back.left, designed.right - designed.left);
    EXPECT_EQ(back.bottom - back.top, designed.bottom - designed.top);
    Close(program);
}

TEST_F(MainWindowDpiTest, TrayIconTakesTheSmallIconSizeOfItsDpi) {
    FakeDpi monitor(144);
    Program program(application.hwnd(), monitor);
    TrayIcon& tray = program.tray_icon();
    const auto icon_width = [&tray] {
        ICONINFO info{};
        if (!::GetIconInfo(tray.icon(), &info)) return 0;
        const UniqueHBitmap mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bm{};
        ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
        return static_cast<int>(bm.bmWidth);
    };
    EXPECT_EQ(icon_width(), 24);
    monitor.dpi = 192;
    ::SendMessageW(tray.window(), WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
    EXPECT_EQ(icon_width(), 32);
    Close(program);
}

// Built once, a dialog keeps the screen's DPI wherever it opens: the system stretches it
// on a monitor of another scale, and its controls with it.
TEST_F(MainWindowDpiTest, DialogsKeepTheScreensDpi) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    using GetContext = HANDLE(WINAPI*)(HWND);
    using GetAwareness = int(WINAPI*)(HANDLE);
    const auto context = reinterpret_cast<GetContext>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    const auto awareness = reinterpret_cast<GetAwareness>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!context || !awareness) GTEST_SKIP() << "a system of one DPI for the whole screen";
    constexpr int kSystemAware = 1;  // DPI_AWARENESS_SYSTEM_AWARE
    AboutDialog about(application.hwnd());
    about.EnsureBuilt();
    EXPECT_EQ(awareness(context(about.hwnd())), kSystemAware);
    EXPECT_EQ(awareness(context(::GetDlgItem(about.hwnd(), IDOK))), kSystemAware);
}

}  // namespace
}  // namespace nimbara
