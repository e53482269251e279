// The main window on monitors of other scales: built at the DPI of the monitor it is on,
// and built again, at the size its layout has there, when that DPI changes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <tuple>

#include "about/about_dialog.h"
#include "app/app_window.h"
#include "app/program.h"
#include "fake_dpi.h"
#include "modal_driver.h"

namespace nimbara {
namespace {

auto Edges(const RECT& r) { return std::tuple(r.left, r.top, r.right, r.bottom); }
auto Edges(const TileBox& b) { return std::tuple(b.left, b.top, b.right, b.bottom); }
RECT WindowRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

// The application window, made before the program that it owns.
struct Application : ApplicationWindow {
    Application() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&icc);
        Create();
    }
};

class MainWindowDpiTest : public ::testing::Test {
protected:
    ~MainWindowDpiTest() override {
        program.main_window().Close();
        MSG quit{};  // the close ends the program's loop; this test's thread goes on
        ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    void ChangeDpi(HWND window, int dpi, LPARAM suggested = 0) {
        monitor.dpi = dpi;
        ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), suggested);
    }
    // The font, the window, its toolbar's pictures and its tiles at `dpi`, each part at its
    // designed place scaled by the text height of the font at that DPI.
    void ExpectLaidOutAt(int dpi) {
        SCOPED_TRACE(dpi);
        MainWindow& main = program.main_window();
        const UniqueHFont font = CreateSongTiFontForDpi(dpi);
        const LayoutScale scale = ScaleFor(font.get());
        EXPECT_EQ(MeasureTextHeight(main.font()), MeasureTextHeight(font.get()));
        RECT client;
        ::GetClientRect(main.hwnd(), &client);
        EXPECT_EQ(client.right, scale(kMainWindow.client.cx));
        EXPECT_EQ(Edges(testing::RectInParent(main.tile_panel())),
                  Edges(RECT{0, scale(20) + scale(42), client.right, client.bottom}));
        HWND panel = ::GetDlgItem(main.hwnd(), int(MainControl::kToolBarPanel));
        const auto images = reinterpret_cast<HIMAGELIST>(
            ::SendMessageW(::GetDlgItem(panel, int(MainControl::kToolBar)), TB_GETIMAGELIST, 0, 0));
        int width = 0, height = 0;
        ::ImageList_GetIconSize(images, &width, &height);
        EXPECT_EQ(width, ArtworkLength(kToolImageSize, dpi));
        HWND band = ::GetDlgItem(main.tile_panel(), kColorIdBase + 12);
        HWND label = ::GetDlgItem(::GetDlgItem(band, kFrameIdBase + 12), kLabelIdBase + 12);
        EXPECT_EQ(Edges(testing::RectInParent(band)), Edges(PartsOfTile(12, scale).band));
        EXPECT_EQ(Edges(testing::RectInParent(label)), Edges(PartsOfTile(12, scale).label));
    }

    Application application;
    testing::FakeDpi monitor{144};
    Program program{application.hwnd(), SystemMonitors(), monitor};
};

TEST_F(MainWindowDpiTest, BuiltAtItsMonitorsDpiAndAgainAtEachChange) {
    ExpectLaidOutAt(144);
    HWND main = program.main_window().hwnd();
    const RECT at_144 = WindowRect(main);
    // The system's suggestion is not read: nobody drags the window, so it keeps its corner.
    const SIZE size_96 = program.main_window().SizeAtDpi(96);
    RECT suggested{0, 0, 10, 10};
    ChangeDpi(main, 96, reinterpret_cast<LPARAM>(&suggested));
    ExpectLaidOutAt(96);
    const RECT at_96 = WindowRect(main);
    EXPECT_EQ(Edges(at_96), Edges(RECT{at_144.left, at_144.top, at_144.left + size_96.cx,
                                       at_144.top + size_96.cy}));
    // Any program can post the message, with anything in it: nothing changes while the DPI
    // stays as it is.
    ::PostMessageW(main, WM_DPICHANGED, MAKEWPARAM(192, 192), 1);
    MSG msg;
    while (::PeekMessageW(&msg, main, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    EXPECT_EQ(Edges(WindowRect(main)), Edges(at_96));
    ChangeDpi(main, 192);
    ExpectLaidOutAt(192);
}

TEST_F(MainWindowDpiTest, TrayIconTakesTheSmallIconSizeOfItsDpi) {
    const auto icon_width = [this] {
        ICONINFO info{};
        if (!::GetIconInfo(program.tray_icon().icon(), &info)) return 0L;
        const UniqueHBitmap mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bm{};
        ::GetObjectW(info.hbmColor, sizeof(bm), &bm);
        return bm.bmWidth;
    };
    EXPECT_EQ(icon_width(), 24);
    ChangeDpi(program.tray_icon().window(), 192);
    EXPECT_EQ(icon_width(), 32);
}

// Built once, a dialog keeps the screen's DPI wherever it opens: the system stretches it.
TEST_F(MainWindowDpiTest, DialogsKeepTheScreensDpi) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const auto context = reinterpret_cast<HANDLE(WINAPI*)(HWND)>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    const auto awareness = reinterpret_cast<int(WINAPI*)(HANDLE)>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!context || !awareness) GTEST_SKIP() << "a system of one DPI for the whole screen";
    AboutDialog about(application.hwnd());
    about.EnsureBuilt();
    constexpr int kSystemAware = 1;  // DPI_AWARENESS_SYSTEM_AWARE
    EXPECT_EQ(awareness(context(::GetDlgItem(about.hwnd(), IDOK))), kSystemAware);
}

}  // namespace
}  // namespace nimbara
