// The program's bitmaps at the size of the DPI they are shown at. Each picture is kept
// twice in the resources, as designed for 96 dpi and drawn at twice that: the designed
// one is used as it is at 96 dpi, the larger one brought to any other size as
// platform/layout_rules.h (PlanArtwork) says, so that no picture is a blurred stretch.
#pragma once

#include <windows.h>

#include "platform/handles.h"

namespace nimbara {

struct Artwork {
    int designed_id;  // bitmap resource drawn at `designed` pixels
    int double_id;    // the same drawn at twice that
    SIZE designed;
};

// The bitmap of `art` at `target` pixels; empty when a resource is missing.
[[nodiscard]] UniqueHBitmap LoadArtwork(const Artwork& art, SIZE target);

// The bitmap of `art` at its designed size scaled by `dpi` against 96.
[[nodiscard]] UniqueHBitmap LoadArtworkForDpi(const Artwork& art, int dpi);

}  // namespace nimbara
