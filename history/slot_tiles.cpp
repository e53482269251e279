#include "history/slot_tiles.h"

#include "history/tile_rules.h"
#include "platform/accessibility.h"
#include "platform/controls.h"
#include "platform/paint.h"

namespace nimbara {

static_assert(kTileColumns * kTileRows == SlotCount);

namespace {
RECT ToRect(const TileBox& box) { return RECT{box.left, box.top, box.right, box.bottom}; }
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
    void Paint(HDC dc, RECT r);

    SlotTiles& owner_;
    int slot_;
    Hover hover_;
    Press press_;
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
    auto paint = [this](HDC dc, const RECT& client) { Paint(dc, client); };
    if (auto answer = AnswerPaint(hwnd(), msg, paint)) return *answer;
    if (auto answer = ReportPointer(hwnd(), msg, hover_, &owner_.sink_)) return *answer;
    if (msg == WM_LBUTTONDBLCLK) {
        // The second press of a double click that pasted once already: its release is no
        // click. Any other starts one.
        if (owner_.pairing_.SecondPressStartsClick(slot_)) press_.Begin(hwnd());
        return 0;
    }
    switch (press_.OnMessage(hwnd(), msg, lp)) {
        case PressStep::kClicked:
            if (::IsWindowEnabled(hwnd()) && owner_.on_click_) {
                owner_.pairing_.Clicked(slot_);
                owner_.on_click_(slot_);
            }
            return 0;
        case PressStep::kNone:
            return DefaultProc(msg, wp, lp);
        default:
            return 0;
    }
}

void SlotTiles::TileLabel::Paint(HDC dc, RECT r) {
    Tile& t = owner_.tile(slot_);
    ::FillRect(dc, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    if (t.picture.bitmap) {
        DrawStretched(dc, t.picture.bitmap.get(), r);
    } else if (t.picture.metafile) {
        ::PlayEnhMetaFile(dc, t.picture.metafile.get(), &r);
    }
    SelectedObject font(dc, owner_.font_);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    if (!t.caption.empty()) {
        // The caption is centred on the whole frame, of which this label is the inside.
        const int inset = PartsOfTile(slot_, owner_.scale_).label.left;
        RECT frame{-inset, -inset, r.right + inset, r.bottom + inset};
        ::DrawTextW(dc, t.caption.c_str(), static_cast<int>(t.caption.size()), &frame,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (!t.text.empty()) {
        // Word-wrapped, tabs expanded, cut at the edges; an & is shown as copied.
        ::DrawTextW(dc, t.text.c_str(), static_cast<int>(t.text.size()), &r,
                    DT_LEFT | DT_TOP | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    }
    if (owner_.selected_ == slot_) {
        // Two pixels inside the label, over whatever it shows.
        HBRUSH highlight = ::GetSysColorBrush(COLOR_HIGHLIGHT);
        for (int ring = 0; ring < 2; ++ring) {
            const RECT frame{r.left + ring, r.top + ring, r.right - ring, r.bottom - ring};
            ::FrameRect(dc, &frame, highlight);
        }
    }
}

SlotTiles::SlotTiles(HWND grid, LayoutScale scale, HFONT font, std::function<void(int)> on_click)
    : grid_(grid), scale_(scale), font_(font), on_click_(std::move(on_click)) {
    sink_.moved = [this](HWND) { OnPointerMoved(); };
    sink_.left = [this](HWND) { OnPointerLeft(); };
    for (int slot = 1; slot <= SlotCount; ++slot) {
        auto t = std::make_unique<Tile>(*this, slot);
        const TileParts parts = PartsOfTile(slot, scale_);
        t->band.Create(grid, kColorIdBase + slot, ToRect(parts.band), L"", {.show_caption = false},
                       font);
        t->frame.Create(t->band.hwnd(), kFrameIdBase + slot, ToRect(parts.frame), kEmptyTileCaption,
                        {.outer = Bevel::kRaised, .inner = Bevel::kLowered}, font);
        t->label.Create(t->frame.hwnd(), ToRect(parts.label));
        t->band.SetPointerSink(&sink_);
        t->frame.SetPointerSink(&sink_);
        tiles_[slot - 1] = std::move(t);
    }
}

SlotTiles::~SlotTiles() = default;

void SlotTiles::Rescale(LayoutScale scale, HFONT font) {
    scale_ = scale;
    font_ = font;
    const auto move = [](HWND window, const TileBox& box) {
        ::MoveWindow(window, box.left, box.top, box.right - box.left, box.bottom - box.top, TRUE);
    };
    for (int slot = 1; slot <= SlotCount; ++slot) {
        Tile& t = tile(slot);
        const TileParts parts = PartsOfTile(slot, scale_);
        move(t.band.hwnd(), parts.band);
        move(t.frame.hwnd(), parts.frame);
        move(t.label.hwnd(), parts.label);
        t.band.SetFont(font);
        t.frame.SetFont(font);
        ::InvalidateRect(t.label.hwnd(), nullptr, TRUE);
    }
}

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

void SlotTiles::Select(int slot) {
    if (slot < 0 || slot > SlotCount) slot = 0;
    const int before = std::exchange(selected_, slot);
    if (before == slot) return;
    if (before) ::InvalidateRect(tile(before).label.hwnd(), nullptr, TRUE);
    if (!slot) return;
    HWND label = tile(slot).label.hwnd();
    ::InvalidateRect(label, nullptr, TRUE);
    AnnounceSelected(label);
}

std::uint32_t SlotTiles::ColorOf(int slot) const { return tiles_.at(slot - 1)->marks.color; }

int SlotTiles::TileUnderCursor() const {
    POINT p;
    if (!::GetCursorPos(&p)) return 0;
    // Only a pointer that is really over our window counts, not one over a window
    // that covers it.
    HWND top = ::WindowFromPoint(p);
    if (!top || ::GetAncestor(top, GA_ROOT) != ::GetAncestor(grid_, GA_ROOT)) return 0;
    if (!::ScreenToClient(grid_, &p)) return 0;
    return TileAt(p.x, p.y, scale_);
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
    TrackPointerLeave(under);
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
