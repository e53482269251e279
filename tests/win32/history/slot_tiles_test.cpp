#include "history/slot_tiles.h"

#include <gtest/gtest.h>

#include "platform/handles.h"
#include "platform/layout.h"

namespace nimbara {
namespace {

// The pixels of `rect` of `source` (screen coordinates for the screen's DC).
std::vector<COLORREF> Pixels(HDC source, const RECT& rect) {
    std::vector<COLORREF> pixels;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) pixels.push_back(::GetPixel(source, x, y));
    }
    return pixels;
}

// A copied text shows as it was copied: an & is no mnemonic prefix, in a URL's query string
// or in "Q&A".
TEST(SlotTilesTest, APreviewShowsItsAmpersandsAsCopied) {
    const UniqueHwnd grid(::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0,
                                            0, 440, 320, nullptr, nullptr,
                                            ::GetModuleHandleW(nullptr), nullptr));
    const UniqueHFont font = CreateSongTiFont();
    SlotTiles tiles(grid.get(), LayoutScale{}, font.get(), nullptr);
    const wchar_t* const texts[] = {L"Q&A", L"a.com/?x=1&y=2"};
    for (int slot : {1, 2}) {
        tiles.MarkNewest(slot);
        tiles.SetPreviewText(slot, texts[slot - 1]);
    }
    ::UpdateWindow(grid.get());
    ::RedrawWindow(grid.get(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::GdiFlush();
    for (int slot : {1, 2}) {
        HWND band = ::GetDlgItem(grid.get(), kColorIdBase + slot);
        HWND label = ::GetDlgItem(::GetDlgItem(band, kFrameIdBase + slot), kLabelIdBase + slot);
        RECT place;
        ::GetWindowRect(label, &place);
        const RECT inside{0, 0, place.right - place.left, place.bottom - place.top};
        // What the text looks like drawn as it is, on the tile's face, in the tile's font.
        const WindowDc screen(nullptr);
        UniqueHdc memory(::CreateCompatibleDC(screen.get()));
        UniqueHBitmap bitmap(::CreateCompatibleBitmap(screen.get(), inside.right, inside.bottom));
        const HGDIOBJ old_bitmap = ::SelectObject(memory.get(), bitmap.get());
        const HGDIOBJ old_font = ::SelectObject(memory.get(), font.get());
        ::FillRect(memory.get(), &inside, ::GetSysColorBrush(COLOR_BTNFACE));
        ::SetBkMode(memory.get(), TRANSPARENT);
        ::SetTextColor(memory.get(), ::GetSysColor(COLOR_WINDOWTEXT));
        RECT r = inside;
        ::DrawTextW(memory.get(), texts[slot - 1], -1, &r,
                    DT_LEFT | DT_TOP | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
        const std::vector<COLORREF> want = Pixels(memory.get(), inside);
        ::SelectObject(memory.get(), old_font);
        ::SelectObject(memory.get(), old_bitmap);
        EXPECT_TRUE(Pixels(screen.get(), place) == want)
            << "tile " << slot << " does not show its text as copied";
    }
}

}  // namespace
}  // namespace nimbara
