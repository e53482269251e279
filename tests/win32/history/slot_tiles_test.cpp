// The tile grid as the capture, the paste-back, Clear all, the keyboard and a change of DPI
// tell it, read as a screen reader reads it (the frame's caption, the label's text and whether
// it takes a click) and from the pixels it draws, on a grid shown for the test. The pointer's
// part is the rules' (tests/unit) and the program's from outside (tests/e2e): the system's
// pointer cannot be placed for certain from inside a test under Wine.
#include "history/slot_tiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "modal_driver.h"

namespace nimbara {
namespace {

using testing::TextOf;

class SlotTilesTest : public ::testing::Test {
protected:
    HWND Band(int slot) const { return ::GetDlgItem(grid_.get(), int(kColorIdBase) + slot); }
    HWND Frame(int slot) const { return ::GetDlgItem(Band(slot), int(kFrameIdBase) + slot); }
    HWND Label(int slot) const { return ::GetDlgItem(Frame(slot), int(kLabelIdBase) + slot); }
    static COLORREF PixelOf(HWND window, int x, int y) {
        ::UpdateWindow(window);
        HDC dc = ::GetDC(window);
        const COLORREF pixel = ::GetPixel(dc, x, y);
        ::ReleaseDC(window, dc);
        return pixel;
    }
    void Capture(int slot, const wchar_t* text) {
        tiles_.ResetForCapture();
        tiles_.MarkNewest(slot);
        tiles_.SetPreviewText(slot, text);
    }
    // Each tile's band as drawn: '.' idle, N newest (0x004080FF), P pasted (0x00FF00FF).
    std::string Bands() const {
        std::string bands;
        for (int slot = 1; slot <= SlotCount; ++slot) {
            const COLORREF face = PixelOf(Band(slot), 1, 1);
            bands += face == ::GetSysColor(COLOR_BTNFACE) ? '.'
                     : face == 0x004080FF                 ? 'N'
                     : face == 0x00FF00FF                 ? 'P'
                                                          : '?';
        }
        return bands;
    }

    UniqueHwnd grid_{::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                       L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 429, 300,
                                       nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr)};
    HFONT font_ = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    std::vector<int> clicked_;
    SlotTiles tiles_{grid_.get(), LayoutScale{}, font_,
                     [this](int slot) { clicked_.push_back(slot); }};
};

TEST_F(SlotTilesTest, TheBandsFollowTheCapturesThePastesAndClearAll) {
    // c capture, p pasted, x Clear all; then the bands.
    const std::vector<std::vector<std::tuple<char, int, const char*>>> sequences = {
        {{'c', 1, "N..........."}, {'c', 2, ".N.........."}, {'c', 12, "...........N"}},
        {{'c', 1, "N..........."}, {'p', 1, "P..........."}, {'c', 2, "PN.........."}},
        {{'c', 2, ".N.........."}, {'p', 1, "PN.........."}, {'c', 1, "N..........."}},
        {{'c', 3, "..N........."},
         {'p', 2, ".PN........."},
         {'x', 0, "............"},
         {'x', 0, "............"},
         {'c', 1, "N..........."}}};
    EXPECT_EQ(Bands(), "............") << "a new grid";
    for (const auto& steps : sequences) {
        tiles_.ClearAll();
        for (const auto& [op, slot, bands] : steps) {
            if (op == 'c') Capture(slot, L"text");
            if (op == 'p') tiles_.MarkPasted(slot);
            if (op == 'x') tiles_.ClearAll();
            EXPECT_EQ(Bands(), bands) << &steps - sequences.data() << op << slot;
            EXPECT_EQ(TextOf(Band(slot ? slot : 1)), L"") << "NewestMark, without a pointer";
        }
    }
}

TEST_F(SlotTilesTest, ATileShowsItsPreviewOrEmptyAndOnlyAFilledOnePastesAtAClick) {
    const DWORD red = 0x00FF0000;  // one pixel of a 32-bit bitmap
    const struct {
        std::function<void()> step;
        int slot;
        const wchar_t* caption;
        const wchar_t* text;
        bool pastes;
        COLORREF drawn;  // inside the label; CLR_INVALID: not looked at
    } rows[] = {
        {[] {}, 12, kEmptyTileCaption, L"", false, CLR_INVALID},
        {[&] { Capture(1, L"一段文字"); }, 1, L"", L"一段文字", true, CLR_INVALID},
        {[&] {
             Capture(2, L"");
             tiles_.SetPicture(2, {UniqueHBitmap(::CreateBitmap(1, 1, 1, 32, &red)), {}});
         },
         2, L"", L"", true, RGB(255, 0, 0)},
        {[&] { tiles_.MarkPasted(1); }, 1, L"", L"一段文字", true, CLR_INVALID},
        {[&] { tiles_.ClearAll(); }, 2, kEmptyTileCaption, L"", false,
         ::GetSysColor(COLOR_BTNFACE)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(&r - rows);
        r.step();
        EXPECT_EQ(TextOf(Frame(r.slot)), r.caption);
        EXPECT_EQ(TextOf(Label(r.slot)), r.text);
        if (r.drawn != CLR_INVALID) EXPECT_EQ(PixelOf(Label(r.slot), 10, 10), r.drawn);
        clicked_.clear();
        ::SendMessageW(Label(r.slot), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(Label(r.slot), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(clicked_, r.pastes ? std::vector{r.slot} : std::vector<int>{});
    }
}

// The keyboard's selection: two pixels of the highlight inside the label, over what it shows.
TEST_F(SlotTilesTest, TheSelectionIsFramedInsideItsTileAndANumberOffTheGridSelectsNone) {
    const auto framed = [&](int slot) {
        std::string rings;
        for (int x : {0, 1, 2})
            rings += PixelOf(Label(slot), x, 40) == ::GetSysColor(COLOR_HIGHLIGHT) ? 'h' : '.';
        return rings;
    };
    Capture(3, L"");
    tiles_.Select(3);
    EXPECT_EQ(framed(3) + framed(2), "hh....");
    EXPECT_EQ(Bands(), "..N.........") << "the band keeps its colour";
    tiles_.Select(SlotCount + 1);
    EXPECT_EQ(tiles_.selected(), 0);
    EXPECT_EQ(framed(3), "...");
}

// Every part of every tile moves with the scale; slot 12, the farthest, shows it.
TEST_F(SlotTilesTest, RescaledEachPartLiesAtItsPlaceAtTheNewScale) {
    tiles_.Rescale(LayoutScale{18, 12}, font_);  // 144 dpi
    std::vector<std::tuple<LONG, LONG, LONG, LONG>> places;
    for (HWND part : {Band(12), Frame(12), Label(12)}) {
        const RECT r = testing::RectInParent(part);
        places.emplace_back(r.left, r.top, r.right, r.bottom);
    }
    EXPECT_EQ(places, (decltype(places){{482, 299, 640, 445}, {6, 6, 152, 140}, {3, 3, 143, 131}}));
}

}  // namespace
}  // namespace nimbara
