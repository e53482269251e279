// The main window and a dialog on monitors laid out by the test: where they open, how they stay
// in sight as the monitors change, and the main window built again at each change of its DPI.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <tuple>
#include <utility>

#include "about/about_dialog.h"
#include "modal_driver.h"
#include "program_fixture.h"

namespace nimbara {
namespace {

constexpr MonitorArea kLeft{{0, 0, 1024, 768}, {0, 0, 1024, 738}};
constexpr MonitorArea kRight{{1024, 0, 2048, 768}, {1024, 0, 2048, 738}};
constexpr MonitorArea kSmall{{0, 0, 640, 480}, {0, 0, 640, 450}};
constexpr MonitorArea kTiny{{0, 0, 400, 300}, {0, 0, 400, 300}};

auto Edges(const RECT& r) { return std::tuple(r.left, r.top, r.right, r.bottom); }
auto Edges(const TileBox& b) { return std::tuple(b.left, b.top, b.right, b.bottom); }
RECT WindowRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

class MainWindowPlacementTest : public testing::ProgramFixture {
protected:
    MainWindowPlacementTest() : ProgramFixture({kLeft, kRight}) {}
    void ChangeDpi(HWND window, int dpi, LPARAM suggested = 0) {
        screen.dpi = dpi;
        ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), suggested);
    }
    // The window, its toolbar's pictures and its tiles at `dpi`, each part at its designed
    // place scaled by the text height of the font at that DPI.
    void ExpectLaidOutAt(int dpi) {
        SCOPED_TRACE(dpi);
        MainWindow& main = program->main_window();
        const LayoutScale scale = ScaleFor(CreateSongTiFontForDpi(dpi).get());
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
    long TrayIconWidth() {
        ICONINFO info{};
        if (!::GetIconInfo(program->tray_icon().icon(), &info)) return 0;
        const UniqueHBitmap mask(info.hbmMask), colour(info.hbmColor);
        BITMAP bm{};
        ::GetObjectW(info.hbmColor, sizeof(bm), &bm);
        return bm.bmWidth;
    }
};

TEST_F(MainWindowPlacementTest, OpensWhereTheUserIsAndComesBackInSightWhenTheMonitorsChange) {
    const std::vector<MonitorArea> both{kLeft, kRight}, swapped{kRight, kLeft};
    MainWindow& main = Start(96);
    HWND window = main.hwnd();
    RECT r = WindowRect(window);
    const SIZE size{r.right - r.left, r.bottom - r.top};
    // Shown by the tray (the pointer) or the hotkey (the foreground window) on `monitor`.
    const auto open = [&](UserAt at, std::size_t monitor) {
        if (main.shown()) main.ToggleShown();
        screen.pointer_on = at == UserAt::kPointer ? monitor : 1 - monitor;
        screen.foreground_on = at == UserAt::kPointer ? 1 - monitor : monitor;
        main.ToggleShown(at);
    };
    const auto change = [&](std::vector<MonitorArea> areas) {
        screen.areas = std::move(areas);
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
        {"hidden, a change", [&] { main.ToggleShown(), change({kRight}); }, {0, 0}},
        {"shown again, off the screen", [&] { main.ToggleShown(); }, {1024, 0}},
    };
    for (const auto& s : steps) {
        s.step();
        r = WindowRect(window);
        EXPECT_EQ(r.left, s.expected.x) << s.name;
        EXPECT_EQ(r.top, s.expected.y) << s.name;
    }
}

// The tray icon too; a dialog, built once, keeps the screen's DPI wherever it opens (the
// system stretches it).
TEST_F(MainWindowPlacementTest, BuiltAtItsMonitorsDpiAndAgainAtEachChange) {
    HWND main = Start(144).hwnd();
    ExpectLaidOutAt(144);
    EXPECT_EQ(TrayIconWidth(), 24);
    const RECT at_144 = WindowRect(main);
    // The system's suggestion is not read: nobody drags the window, so it keeps its corner.
    const SIZE size_96 = program->main_window().SizeAtDpi(96);
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
    ChangeDpi(program->tray_icon().window(), 192);
    EXPECT_EQ(TrayIconWidth(), 32);

    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    const auto context = reinterpret_cast<HANDLE(WINAPI*)(HWND)>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    const auto awareness = reinterpret_cast<int(WINAPI*)(HANDLE)>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!context || !awareness) return;  // a system of one DPI for the whole screen
    AboutDialog about(application.hwnd());
    about.EnsureBuilt();
    constexpr int kSystemAware = 1;  // DPI_AWARENESS_SYSTEM_AWARE
    EXPECT_EQ(awareness(context(::GetDlgItem(about.hwnd(), IDOK))), kSystemAware);
}

constexpr wchar_t kDialogClass[] = L"NimbaraPlacedDialog";
constexpr DesignedWindow kDialog{.class_name = kDialogClass,
                                 .style = WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                 .place = {348, 235},
                                 .client = {308, 197}};

class PlacedDialog final : public ModalDialog {
public:
    explicit PlacedDialog(MonitorApi& monitors) : ModalDialog(kDialog.place, monitors) {}

private:
    void Build() override { CreateDesigned(kDialog, LayoutScale{}, nullptr); }
    void ButtonClicked(UINT) override {}
    [[nodiscard]] HWND FirstFocus() const noexcept override { return hwnd(); }
};

// A dialog opens by the same rule, on the pointer's monitor, and keeps a place the user moved
// it to while that place is on the screen.
TEST_F(MainWindowPlacementTest, DialogOpensOnThePointersMonitorAndKeepsWhereTheUserMovedIt) {
    screen.pointer_on = 1;
    PlacedDialog dialog(screen);
    const auto opened_on = [&](std::vector<MonitorArea> areas) {
        screen.areas = std::move(areas);
        RECT shown{};
        EXPECT_TRUE(testing::WhileModal(
            kDialogClass, [&] { dialog.ShowModal(); },
            [&] {
                shown = WindowRect(dialog.hwnd());
                ::SetWindowPos(dialog.hwnd(), nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                ::SendMessageW(dialog.hwnd(), WM_CLOSE, 0, 0);
            }));
        return std::pair(shown.left, shown.top);
    };
    EXPECT_EQ(opened_on({kLeft, kRight}), std::pair(1024L + 348, 235L));  // under the pointer
    EXPECT_EQ(opened_on({kLeft, kRight}), std::pair(50L, 60L));           // where the user moved it
    EXPECT_EQ(opened_on({kRight}), std::pair(1024L, 60L));  // its monitor gone: onto the nearest
}

}  // namespace
}  // namespace nimbara
