// A plain panel: a face colour, optional 1-pixel bevels and a centred caption.
// Its window text is its caption, readable from outside like any window's.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/color_rules.h"
#include "platform/controls.h"
#include "platform/paint.h"
#include "platform/window.h"

namespace nimbara {

// A colour code (platform/color_rules.h) as the system draws it.
COLORREF ColorFromCode(std::uint32_t code) noexcept;

struct PanelStyle {
    std::uint32_t color = kSystemColorCode | COLOR_BTNFACE;
    Bevel outer = Bevel::kNone;
    Bevel inner = Bevel::kNone;
    bool show_caption = true;
};

class Panel : public Window {
public:
    // Creates the panel as a child of `parent` at the given place.
    void Create(HWND parent, UINT id, RECT place, const wchar_t* caption, PanelStyle style,
                HFONT font);
    void SetColor(std::uint32_t code);
    [[nodiscard]] std::uint32_t color() const noexcept { return style_.color; }
    void SetCaption(const wchar_t* caption);
    // The caption's font, which the caller keeps alive as long as the panel.
    void SetFont(HFONT font);
    void SetPointerSink(const PointerSink* sink) noexcept { sink_ = sink; }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void FillFace(HDC dc, const RECT& r) const;
    void Paint(HDC dc, const RECT& r);

    PanelStyle style_;
    HFONT font_ = nullptr;
    const PointerSink* sink_ = nullptr;
    Hover hover_;
};

}  // namespace nimbara
