#include "platform/artwork.h"

#include "platform/layout_rules.h"

namespace nimbara {

namespace {

UniqueHBitmap LoadBitmapResource(int id) {
    return UniqueHBitmap(
        static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

SIZE SizeOf(HBITMAP bitmap) {
    BITMAP bm{};
    if (!::GetObjectW(bitmap, sizeof(bm), &bm)) return {};
    return {bm.bmWidth, bm.bmHeight};
}

// A 24-bit bitmap of `size` holding `source` drawn over it in `mode`.
UniqueHBitmap Redrawn(HBITMAP source, SIZE size, int mode) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, size.cy, 1, 24, BI_RGB};
    void* bits = nullptr;
    UniqueHBitmap out(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!out) return {};
    const SIZE from = SizeOf(source);
    UniqueHdc source_dc(::CreateCompatibleDC(nullptr));
    UniqueHdc out_dc(::CreateCompatibleDC(nullptr));
    if (!source_dc || !out_dc) return {};
    SelectedObject in(source_dc.get(), source);
    SelectedObject into(out_dc.get(), out.get());
    ::SetStretchBltMode(out_dc.get(), mode);
    ::StretchBlt(out_dc.get(), 0, 0, size.cx, size.cy, source_dc.get(), 0, 0, from.cx, from.cy,
                 SRCCOPY);
    return out;
}

}  // namespace

UniqueHBitmap LoadArtwork(const Artwork& art, SIZE target) {
    const ArtworkPlan across = PlanArtwork(art.designed.cx, target.cx);
    const ArtworkPlan down = PlanArtwork(art.designed.cy, target.cy);
    if (across.designed && down.designed) return LoadBitmapResource(art.designed_id);
    UniqueHBitmap master = LoadBitmapResource(art.double_id);
    if (!master) return {};
    // Pixel blocks first, so that the picture is at least the target's size, then averaged.
    const int repeat = across.repeat > down.repeat ? across.repeat : down.repeat;
    const SIZE blocks{2 * art.designed.cx * repeat, 2 * art.designed.cy * repeat};
    if (repeat > 1) master = Redrawn(master.get(), blocks, COLORONCOLOR);
    if (!master || (blocks.cx == target.cx && blocks.cy == target.cy)) return master;
    return Redrawn(master.get(), target, HALFTONE);
}

UniqueHBitmap LoadArtworkForDpi(const Artwork& art, int dpi) {
    return LoadArtwork(art,
                       {ArtworkLength(art.designed.cx, dpi), ArtworkLength(art.designed.cy, dpi)});
}

}  // namespace nimbara
