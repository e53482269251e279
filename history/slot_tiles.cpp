#include "history/slot_tiles.h"

#include "history/tile_rules.h"
#include "platform/controls.h"

namespace nimbara {

namespace {
// Designed layout: tiles 105 x 97 with a 1-pixel gap, a 4-pixel band, a 97 x 89
// frame and a 93 x 85 preview area inside its two bevels.
constexpr int kTileWidth = 105, kTileHeight = 97, kTileStepX = 106, kTileStepY = 98;
constexpr int kGridLeft = 3, kGridTop = 3, kBand = 4, kFrameWidth = 97, kFrameHeight = 89;
constexpr int kInset = 2, kInnerWidth = 93, kInnerHeight = 85;
}  // namespace

// The transparent preview label: it draws what lies under it (the frame's face,
// the picture and the frame caption), then the preview text on top.
class SlotTiles::TileLabel : public Window {
public:
    TileLabel(SlotTiles& owner, int slot) : owner_(owner), slot_(slot) {}
    void Create(HWND parent, RECT place) {
        static constexpr wchar_t kClass[] = L"NimbaraTileLabel";
        // The second press of a double click comes as a message of its own, so that a
        // double click pastes once, not twice.
        RegisterClassOnce(
            {.name = kClass, .style = CS_DBLCLKS, .cursor = ::LoadCursorW(nullptr, IDC_HAND)});
        Window::Create(ChildSpec(kClass, parent, kLabelIdBase + slot_, place, L"", WS_DISABLED));
    }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void Paint(HDC dc);

    SlotTiles& owner_;
    int slot_;
    Press press_;
    bool tracking_ = false;
};

struct SlotTiles::Tile {
    Tile(SlotTiles& owner, int slot) : label(owner, slot) {}
    Panel band;       // PColor n
    Panel frame;      // PFrame n
    TileLabel label;  // LText n
    TileMarks marks;
    TilePicture picture;
    std::wstring caption = kEmptyTileCaption;
    std::wstring text;
};

LRESULT SlotTiles::TileLabel::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintScope paint(hwnd());
            Paint(paint.dc());
            return 0;
        }
        case WM_MOUSEMOVE:
            if (!tracking_) {
                TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd(), 0};
                tracking_ = ::TrackMouseEvent(&tme) != FALSE;
            }
            owner_.OnPointerMoved();
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            owner_.OnPointerLeft();
            return 0;
        case WM_LBUTTONDOWN:
            press_.Begin(hwnd());
            return 0;
        case WM_LBUTTONDBLCLK:
            // The second press of a double click that pasted once already: its release
            // is no click. Any other starts one.
            if (owner_.pairing_.SecondPressStartsClick(slot_)) press_.Begin(hwnd());
            return 0;
        case WM_LBUTTONUP:
            if (press_.EndsInClick(hwnd(), lp) && ::IsWindowEnabled(hwnd()) && owner_.on_click_) {
                owner_.pairing_.Clicked(slot_);
                owner_.on_click_(slot_);
            }
            return 0;
        case WM_CAPTURECHANGED:
            press_.Lost();
            return 0;
        default:
            return DefaultProc(msg, wp, lp);
    }
}

void SlotTiles::TileLabel::Paint(HDC dc) {
    Tile& t = owner_.tile(slot_);
    RECT r;
    ::GetClientRect(hwnd(), &r);
    ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    if (t.picture.bitmap) {
        UniqueHdc mem(::CreateCompatibleDC(dc));
        BITMAP bm{};
        ::GetObjectW(t.picture.bitmap.get(), sizeof(bm), &bm);
        SelectedObject sel(mem.get(), t.picture.bitmap.get());
        ::SetStretchBltMode(dc, COLORONCOLOR);
        ::StretchBlt(dc, 0, 0, r.right, r.bottom, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight,
                     SRCCOPY);
    } else if (t.picture.metafile) {
        ::PlayEnhMetaFile(dc, t.picture.metafile.get(), &r);
    }
    SelectedObject font(dc, owner_.font_);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    if (!t.caption.empty()) {
        // The caption is centred on the whole frame, of which this label is the inside.
        const int inset = owner_.scale_(kInset);
        RECT frame{-inset, -inset, r.right + inset, r.bottom + inset};
        ::DrawTextW(dc, t.caption.c_str(), static_cast<int>(t.caption.size()), &frame,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (!t.text.empty()) {
        // Word-wrapped, tabs expanded, & as the mnemonic prefix, cut at the edges.
        ::DrawTextW(dc, t.text.c_str(), static_cast<int>(t.text.size()), &r,
                    DT_LEFT | DT_TOP | DT_WORDBREAK | DT_EXPANDTABS);
    }
}

SlotTiles::SlotTiles(HWND panel_form, LayoutScale scale, HFONT font,
                     std::function<void(int)> on_click)
    : panel_form_(panel_form), scale_(scale), font_(font), on_click_(std::move(on_click)) {
    sink_.moved = [this](HWND) { OnPointerMoved(); };
    sink_.left = [this](HWND) { OnPointerLeft(); };
    for (int slot = 1; slot <= SlotCount; ++slot) {
        auto t = std::make_unique<Tile>(*this, slot);
        const int c = (slot - 1) % 4, r = (slot - 1) / 4;
        const int x = scale_(kGridLeft + kTileStepX * c), y = scale_(kGridTop + kTileStepY * r);
        t->band.Create(panel_form, kColorIdBase + slot,
                       {x, y, x + scale_(kTileWidth), y + scale_(kTileHeight)}, L"",
                       {.show_caption = false}, font);
        t->frame.Create(t->band.hwnd(), kFrameIdBase + slot,
                        {scale_(kBand), scale_(kBand), scale_(kBand + kFrameWidth),
                         scale_(kBand + kFrameHeight)},
                        kEmptyTileCaption, {.outer = Bevel::kRaised, .inner = Bevel::kLowered},
                        font);
        t->label.Create(t->frame.hwnd(),
                        {scale_(kInset), scale_(kInset), scale_(kInset + kInnerWidth),
                         scale_(kInset + kInnerHeight)});
        t->band.SetPointerSink(&sink_);
        t->frame.SetPointerSink(&sink_);
        tiles_[slot - 1] = std::move(t);
    }
}

SlotTiles::~SlotTiles() = default;

void SlotTiles::ApplyMarks(int slot) {
    Tile& t = tile(slot);
    t.band.SetColor(t.marks.color);
    // NewestMark lives in the band's text, which the frame covers.
    ::SetWindowTextW(t.band.hwnd(), t.marks.newest_mark ? L"True" : L"");
}

void SlotTiles::ClearAll() {
    for (int slot = 1; slot <= SlotCount; ++slot) {
        Tile& t = tile(slot);
        t.caption = kEmptyTileCaption;
        t.frame.SetCaption(t.caption.c_str());
        t.text.clear();
        ::SetWindowTextW(t.label.hwnd(), L"");
        t.picture = {};
        ClearTile(t.marks);
        ApplyMarks(slot);
        ::EnableWindow(t.label.hwnd(), FALSE);
        ::InvalidateRect(t.label.hwnd(), nullptr, TRUE);
    }
    WatchForLeave();
}

void SlotTiles::ResetForCapture() {
    for (int slot = 1; slot <= SlotCount; ++slot) {
        ResetTileForCapture(tile(slot).marks);
        ApplyMarks(slot);
    }
}

void SlotTiles::MarkNewest(int slot) {
    Tile& t = tile(slot);
    MarkTileNewest(t.marks);
    ApplyMarks(slot);
    t.picture = {};
    t.text.clear();
    ::SetWindowTextW(t.label.hwnd(), L"");
    t.caption.clear();
    t.frame.SetCaption(L"");
    ::EnableWindow(t.label.hwnd(), TRUE);
    ::InvalidateRect(t.label.hwnd(), nullptr, TRUE);
    if (slot == hovered_) WatchForLeave();
}

void SlotTiles::SetPreviewText(int slot, const std::wstring& text) {
    Tile& t = tile(slot);
    t.text = text;
    ::SetWindowTextW(t.label.hwnd(), text.c_str());
    ::InvalidateRect(t.label.hwnd(), nullptr, TRUE);
}

void SlotTiles::SetPicture(int slot, TilePicture picture) {
    Tile& t = tile(slot);
    t.picture = std::move(picture);
    ::InvalidateRect(t.label.hwnd(), nullptr, TRUE);
}

void SlotTiles::MarkPasted(int slot) {
    TilePasted(tile(slot).marks);
    ApplyMarks(slot);
}

std::uint32_t SlotTiles::ColorOf(int slot) const { return tiles_.at(slot - 1)->marks.color; }

int SlotTiles::TileUnderCursor() const {
    POINT p;
    if (!::GetCursorPos(&p)) return 0;
    // Only a pointer that is really over our window counts, not one over a window
    // that covers it.
    HWND top = ::WindowFromPoint(p);
    if (!top || ::GetAncestor(top, GA_ROOT) != ::GetAncestor(panel_form_, GA_ROOT)) return 0;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        RECT r;
        ::GetWindowRect(tiles_[slot - 1]->label.hwnd(), &r);
        if (::PtInRect(&r, p)) return slot;
    }
    return 0;
}

bool SlotTiles::PointerOnFilledTile() const {
    const int slot = TileUnderCursor();
    return slot != 0 && ::IsWindowEnabled(tiles_[slot - 1]->label.hwnd());
}

void SlotTiles::Enter(int slot) {
    TilePointerEnter(tile(slot).marks);
    ApplyMarks(slot);
}

void SlotTiles::Leave(int slot) {
    TilePointerLeave(tile(slot).marks);
    ApplyMarks(slot);
}

// Enabling or disabling the label under a resting pointer moves the pointer, without a
// move of its own, between the frame (which takes the pointer while the label is disabled)
// and the label, and the window it left stops watching for the leave. The window it is over
// now watches instead, or the tile would keep its hover state after the pointer has gone.
void SlotTiles::WatchForLeave() {
    if (!hovered_) return;
    const Tile& t = *tiles_.at(hovered_ - 1);
    HWND under = ::IsWindowEnabled(t.label.hwnd()) ? t.label.hwnd() : t.frame.hwnd();
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, under, 0};
    ::TrackMouseEvent(&tme);
}

void SlotTiles::OnPointerMoved() {
    const int under = TileUnderCursor();
    if (under == hovered_) return;
    if (hovered_) Leave(std::exchange(hovered_, 0));
    if (under) {
        hovered_ = under;
        Enter(under);
    }
}

void SlotTiles::OnPointerLeft() {
    // The pointer may have gone on to another part of the grid, which then reports
    // its own move; only a pointer that is over no tile ends the hover.
    if (hovered_ && TileUnderCursor() != hovered_) Leave(std::exchange(hovered_, 0));
}

void SlotTiles::PointerGone() {
    pairing_.Hidden();
    if (hovered_) Leave(std::exchange(hovered_, 0));
}

}  // namespace nimbara
