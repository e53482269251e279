// The About dialog's window and controls as built: caption, frame, place and
// size, the controls' texts, places and cursors, and the banner resource.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "about/about_dialog.h"
#include "platform/handles.h"
#include "platform/layout.h"
#include "resources/resource_ids.h"
#include "hidden_window.h"
#include "layout_invariants.h"
#include "modal_driver.h"

namespace nimbara {
namespace {

using enum AboutControl;

using testing::RectInParent;
using testing::TextOf;

class AboutLayoutTest : public ::testing::Test {
protected:
    AboutLayoutTest() {
        UniqueHFont font = CreateSongTiFont();
        scale = ScaleFor(font.get());
        dialog.EnsureBuilt();
    }
    HWND Control(AboutControl id) const {
        return ::GetDlgItem(dialog.hwnd(), static_cast<int>(id));
    }

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
    EXPECT_EQ(window.left, kAboutWindow.place.x);
    EXPECT_EQ(window.top, kAboutWindow.place.y);
    EXPECT_EQ(client.right, scale(kAboutWindow.client.cx));
    EXPECT_EQ(client.bottom, scale(kAboutWindow.client.cy));
}

TEST(AboutLayoutTableTest, ControlsLieInsideTheDialogApartAndInOrder) {
    // The banner's frame as built: round its picture.
    std::array<LayoutRow, std::size(kAboutLayout)> rows;
    std::copy(std::begin(kAboutLayout), std::end(kAboutLayout), rows.begin());
    rows[0].place.width += 2 * kBannerBevel;
    rows[0].place.height += 2 * kBannerBevel;
    testing::ExpectSoundLayout(rows, kAboutWindow.client);
}

struct ControlCase {
    AboutControl id;
    const wchar_t* window_class;
    const wchar_t* text;
};

TEST_F(AboutLayoutTest, TheControlsCarryTheirTextsAtTheirPlaces) {
    const ControlCase cases[] = {
        {kWebAddress, L"NimbaraLabel", L"http://www.nimbara.test/"},
        {kProductLine, L"NimbaraLabel", L"Nimbara v1.0 Build 0921"},
        {kMakerLine, L"NimbaraLabel", L"Nimbara 工作室 出品"},
        {kEmail, L"NimbaraLabel", L"E-mail:help@nimbara.test"},
        {kOk, L"Button", L"确定"},
    };
    for (const ControlCase& c : cases) {
        SCOPED_TRACE(UINT(c.id));
        HWND control = Control(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(::GetParent(control), dialog.hwnd());
        EXPECT_EQ(ClassOf(control), c.window_class);
        EXPECT_EQ(TextOf(control), c.text);
        const LayoutRow* row = nullptr;
        for (const LayoutRow& r : kAboutLayout)
            if (r.id == UINT(c.id)) row = &r;
        ASSERT_NE(row, nullptr);
        EXPECT_TRUE(SameRect(RectInParent(control), Scaled(scale, row->place)));
    }
}

TEST_F(AboutLayoutTest, TheBannerFillsItsLoweredPanel) {
    HWND panel = Control(kBannerFrame);
    ASSERT_NE(panel, nullptr);
    HWND banner = ::GetDlgItem(panel, static_cast<int>(kBanner));
    ASSERT_NE(banner, nullptr);
    // The places at the Wine desktop's stand-in for 宋体, 14 pixels tall: the picture 220 x 60
    // scaled to 257 x 70 at (11, 11), its 1-pixel bevel around it.
    ASSERT_EQ(scale, (LayoutScale{14, 12}));
    EXPECT_TRUE(SameRect(RectInParent(panel), RECT{11, 11, 270, 83}));
    EXPECT_TRUE(SameRect(RectInParent(banner), RECT{1, 1, 258, 71}));
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
    EXPECT_EQ(stops[0], Control(kOk));
    EXPECT_TRUE(::GetWindowLongW(stops[0], GWL_STYLE) & BS_DEFPUSHBUTTON);
}

TEST_F(AboutLayoutTest, TheLinksShowTheHandPointCursor) {
    HWND panel = Control(kBannerFrame);
    const struct {
        const char* name;
        HWND control;
        bool hand;
    } cases[] = {
        {"Image1", ::GetDlgItem(panel, static_cast<int>(kBanner)), true},
        {"Label1", Control(kWebAddress), true},
        {"Label4", Control(kEmail), true},
        {"Label2", Control(kProductLine), false},
        {"Label3", Control(kMakerLine), false},
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
