// The tile grid as the capture, the paste-back, Clear all, the keyboard and a
// change of DPI tell it: read as a screen reader reads it (the band's NewestMark, the frame's
// caption, the label's text and whether it takes a click) and from the pixels it draws.
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

// Codes as the system draws them, in 0x00BBGGRR.
constexpr COLORREF kNewest = 0x004080FF, kPasted = 0x00FF00FF;

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
    // Each tile's band as drawn: '.' idle, N newest, P pasted.
    std::string Bands() const {
        std::string bands;
        for (int slot = 1; slot <= SlotCount; ++slot) {
            const COLORREF face = PixelOf(Band(slot), 1, 1);
            bands += face == ::GetSysColor(COLOR_BTNFACE) ? '.'
                     : face == kNewest                    ? 'N'
                     : face == kPasted                    ? 'P'
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

// The pointer's part is the rules' (tests/unit) and the program's from outside (tests/e2e):
// the system's pointer cannot be placed for certain from inside a test under Wine.
TEST_F(SlotTilesTest, TheBandsFollowTheCapturesThePastesAndClearAll) {
    // c capture, p pasted, x Clear all.
    struct Step {
        char op;
        int slot;
        const char* bands;
    };
    const std::vector<std::pair<const char*, std::vector<Step>>> sequences = {
        {"captures in turn",
         {{'c', 1, "N..........."}, {'c', 2, ".N.........."}, {'c', 12, "...........N"}}},
        {"the newest pasted, then a capture",
         {{'c', 1, "N..........."}, {'p', 1, "P..........."}, {'c', 2, "PN.........."}}},
        {"an older one pasted, then one into it",
         {{'c', 1, "N..........."},
          {'c', 2, ".N.........."},
          {'p', 1, "PN.........."},
          {'c', 1, "N..........."}}},
        {"Clear all, twice, then a capture",
         {{'c', 3, "..N........."},
          {'p', 2, ".PN........."},
          {'x', 0, "............"},
          {'x', 0, "............"},
          {'c', 1, "N..........."}}},
    };
    for (const auto& [name, steps] : sequences) {
        tiles_.ClearAll();
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            if (s.op == 'c') Capture(s.slot, L"text");
            if (s.op == 'p') tiles_.MarkPasted(s.slot);
            if (s.op == 'x') tiles_.ClearAll();
            EXPECT_EQ(Bands(), s.bands) << name << ", step " << i + 1;
            EXPECT_EQ(TextOf(Band(s.slot ? s.slot : 1)), L"") << "no NewestMark without a pointer";
        }
    }
}

TEST_F(SlotTilesTest, ATileShowsItsPreviewOrEmptyAndOnlyAFilledOnePastesAtAClick) {
    const COLORREF red = RGB(255, 0, 0);
    const struct {
        const char* name;
        std::function<void()> step;
        int slot;
        const wchar_t* caption;
        const wchar_t* text;
        bool pastes;
        COLORREF middle;  // of the label, as drawn; CLR_INVALID: not looked at
    } rows[] = {
        {"a new grid", [] {}, 12, kEmptyTileCaption, L"", false, CLR_INVALID},
        {"a text", [&] { Capture(1, L"一段文字"); }, 1, L"", L"一段文字", true, CLR_INVALID},
        {"a picture",
         [&] {
             Capture(2, L"");
             HDC screen = ::GetDC(nullptr);
             TilePicture picture{UniqueHBitmap(::CreateCompatibleBitmap(screen, 3, 2)), {}};
             ::ReleaseDC(nullptr, screen);
             {
                 const UniqueHdc dc(::CreateCompatibleDC(nullptr));
                 SelectedObject selected(dc.get(), picture.bitmap.get());
                 const RECT all{0, 0, 3, 2};
                 ::FillRect(dc.get(), &all, UniqueHBrush(::CreateSolidBrush(red)).get());
             }
             tiles_.SetPicture(2, std::move(picture));
         },
         2, L"", L"", true, red},
        {"pasted", [&] { tiles_.MarkPasted(1); }, 1, L"", L"一段文字", true, CLR_INVALID},
        {"Clear all", [&] { tiles_.ClearAll(); }, 2, kEmptyTileCaption, L"", false,
         ::GetSysColor(COLOR_BTNFACE)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        r.step();
        EXPECT_EQ(TextOf(Frame(r.slot)), r.caption);
        EXPECT_EQ(TextOf(Label(r.slot)), r.text);
        EXPECT_EQ(::IsWindowEnabled(Label(r.slot)) != FALSE, r.pastes);
        if (r.middle != CLR_INVALID) EXPECT_EQ(PixelOf(Label(r.slot), 10, 10), r.middle);
        clicked_.clear();
        ::SendMessageW(Label(r.slot), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        ::SendMessageW(Label(r.slot), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(clicked_, r.pastes ? std::vector{r.slot} : std::vector<int>{});
    }
}

// The keyboard's selection: two pixels of the highlight inside the label, over what it shows.
TEST_F(SlotTilesTest, TheSelectionIsFramedInsideItsTileAndANumberOffTheGridSelectsNone) {
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const auto framed = [&](int slot) {
        return std::tuple(PixelOf(Label(slot), 0, 40) == highlight,
                          PixelOf(Label(slot), 1, 40) == highlight,
                          PixelOf(Label(slot), 2, 40) == highlight);
    };
    Capture(3, L"");
    tiles_.Select(3);
    EXPECT_EQ(framed(3), std::tuple(true, true, false));
    EXPECT_EQ(framed(2), std::tuple(false, false, false));
    tiles_.Select(SlotCount + 1);
    EXPECT_EQ(tiles_.selected(), 0);
    EXPECT_EQ(framed(3), std::tuple(false, false, false));
}

// Every part of every tile moves with the scale; slot 12, the farthest, shows it.
TEST_F(SlotTilesTest, RescaledEachPartLiesAtItsPlaceAtTheNewScale) {
    const auto places = [&] {
        std::vector<std::tuple<LONG, LONG, LONG, LONG>> got;
        for (HWND part : {Band(12), Frame(12), Label(12)}) {
            const RECT r = testing::RectInParent(part);
            got.emplace_back(r.left, r.top, r.right, r.bottom);
        }
        return got;
    };
    using Box = std::tuple<LONG, LONG, LONG, LONG>;
    EXPECT_EQ(places(), (std::vector<Box>{{321, 199, 426, 296}, {4, 4, 101, 93}, {2, 2, 95, 87}}));
    tiles_.Rescale(LayoutScale{18, 12}, font_);  // 144 dpi
    EXPECT_EQ(places(),
              (std::vector<Box>{{482, 299, 640, 445}, {6, 6, 152, 140}, {3, 3, 143, 131}}));
}

}  // namespace
}  // namespace nimbara
