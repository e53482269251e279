// The About dialog's window and controls as built: caption, frame, place and
// size, the controls' texts, places and cursors, and the banner resource.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about/about_dialog.h"
#include "platform/handles.h"
#include "platform/layout.h"
#include "resources/resource_ids.h"
#include "hidden_window.h"
#include "modal_driver.h"

namespace nimbara {
namespace {

using testing::RectInParent;
using testing::TextOf;

class AboutLayoutTest : public ::testing::Test {
protected:
    AboutLayoutTest() {
        UniqueHFont font = CreateSongTiFont();
        scale = LayoutScale{MeasureTextHeight(font.get()), kDesignedTextHeight};
    }
    HWND Control(UINT id) const { return ::GetDlgItem(dialog.hwnd(), static_cast<int>(id)); }

    UniqueHwnd application = testing::ApplicationWindow();
    AboutDialog dialog{application.get()};
    LayoutScale scale;
};

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    return name;
}

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
    if (actual.left == expected.left && actual.top == expected.top &&
        actual.right == expected.right && actual.bottom == expected.bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.left << "," << actual.top << ")-(" << actual.right << ","
           << actual.bottom << ") instead of (" << expected.left << "," << expected.top << ")-("
           << expected.right << "," << expected.bottom << ")";
}

TEST_F(AboutLayoutTest, TheWindowIsAFixedDialogAtItsDesignedPlace) {
    HWND w = dialog.hwnd();
    EXPECT_EQ(ClassOf(w), L"TAboutForm");
    EXPECT_EQ(TextOf(w), L"关于");
    EXPECT_EQ(::GetWindow(w, GW_OWNER), application.get());
    const LONG style = ::GetWindowLongW(w, GWL_STYLE);
    const LONG ex_style = ::GetWindowLongW(w, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU) << "the close box";
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD));
    EXPECT_TRUE(ex_style & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(::IsWindowVisible(w)) << "built hidden, shown only by an opening";
    RECT window{}, client{};
    ::GetWindowRect(w, &window);
    ::GetClientRect(w, &client);
    EXPECT_EQ(window.left, 394);
    EXPECT_EQ(window.top, 275);
    EXPECT_EQ(client.right, scale(242));
    EXPECT_EQ(client.bottom, scale(185));
}

struct ControlCase {
    const char* name;
    UINT id;
    const wchar_t* window_class;
    const wchar_t* text;
    RECT designed;  // left, top, width, height as designed
};

TEST_F(AboutLayoutTest, TheControlsCarryTheirTextsAtTheirPlaces) {
    const ControlCase cases[] = {
        {"Label1", kLabel1Id, L"NimbaraLabel", L"http://www.nimbara.test/", {46, 80, 144, 12}},
        {"Label2", kLabel2Id, L"NimbaraLabel", L"Nimbara v1.0 Build 0921", {33, 102, 177, 12}},
        {"Label3", kLabel3Id, L"NimbaraLabel", L"Nimbara 工作室 出品", {47, 120, 152, 12}},
        {"Label4", kLabel4Id, L"NimbaraLabel", L"E-mail:help@nimbara.test", {38, 135, 168, 12}},
        {"BitBtn1", kBitBtn1Id, L"Button", L"确定", {80, 160, 81, 17}},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(c.name);
        HWND control = Control(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(::GetParent(control), dialog.hwnd());
        EXPECT_EQ(ClassOf(control), c.window_class);
        EXPECT_EQ(TextOf(control), c.text);
        const RECT& d = c.designed;
        EXPECT_TRUE(SameRect(RectInParent(control), scale(d.left, d.top, d.right, d.bottom)));
    }
}

TEST_F(AboutLayoutTest, TheBannerFillsItsLoweredPanel) {
    HWND panel = Control(kPanel1Id);
    ASSERT_NE(panel, nullptr);
    HWND banner = ::GetDlgItem(panel, kImage1Id);
    ASSERT_NE(banner, nullptr);
    const int width = scale(220), height = scale(60);
    // The panel is sized to its picture plus its 1-pixel bevel.
    EXPECT_TRUE(SameRect(RectInParent(panel),
                         RECT{scale(9), scale(9), scale(9) + width + 2, scale(9) + height + 2}));
    EXPECT_TRUE(SameRect(RectInParent(banner), RECT{1, 1, 1 + width, 1 + height}));
}

BOOL CALLBACK CollectTabStop(HWND child, LPARAM lp) {
    if (::GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP)
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(child);
    return TRUE;
}

TEST_F(AboutLayoutTest, OnlyTheButtonTakesTheKeyboardFocus) {
    std::vector<HWND> stops;
    ::EnumChildWindows(dialog.hwnd(), &CollectTabStop, reinterpret_cast<LPARAM>(&stops));
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0], Control(kBitBtn1Id));
    EXPECT_TRUE(::GetWindowLongW(stops[0], GWL_STYLE) & BS_DEFPUSHBUTTON);
}

TEST_F(AboutLayoutTest, TheLinksShowTheHandPointCursor) {
    HWND panel = Control(kPanel1Id);
    const struct {
        const char* name;
        HWND control;
        bool hand;
    } cases[] = {
        {"Image1", ::GetDlgItem(panel, kImage1Id), true},
        {"Label1", Control(kLabel1Id), true},
        {"Label4", Control(kLabel4Id), true},
        {"Label2", Control(kLabel2Id), false},
        {"Label3", Control(kLabel3Id), false},
        {"Panel1", panel, false},
        {"dialog", dialog.hwnd(), false},
    };
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::SetCursor(nullptr);
        ::SendMessageW(c.control, WM_SETCURSOR, reinterpret_cast<WPARAM>(c.control),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(::GetCursor(), c.hand ? hand : arrow);
    }
}

// The banner as stored: 220 x 60, 8 bits per pixel, a 256-colour palette and
// no compression.
TEST(AboutBannerTest, IsA220By60PaletteBitmapInTheResources) {
    HRSRC found = ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDB_BANNER), RT_BITMAP);
    ASSERT_NE(found, nullptr);
    const DWORD size = ::SizeofResource(nullptr, found);
    const auto* info =
        static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(nullptr, found)));
    ASSERT_NE(info, nullptr);
    ASSERT_GE(size, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(info->biWidth, 220);
    EXPECT_EQ(info->biHeight, 60) << "bottom-up rows";
    EXPECT_EQ(info->biBitCount, 8);
    EXPECT_EQ(info->biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_TRUE(info->biClrUsed == 0 || info->biClrUsed == 256) << info->biClrUsed;
    const DWORD palette = 256 * sizeof(RGBQUAD);
    const DWORD pixels = 220 * 60;  // rows of 220 bytes are already 4-byte aligned
    EXPECT_GE(size, info->biSize + palette + pixels);
}

}  // namespace
}  // namespace nimbara
