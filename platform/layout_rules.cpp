#include "platform/layout_rules.h"

namespace nimbara {

ScreenBox PlaceAfterDpiChange(const ScreenBox& before, int width, int height, int anchor_x,
                              int anchor_y) noexcept {
    const bool inside = anchor_x >= before.left && anchor_x < before.right &&
                        anchor_y >= before.top && anchor_y < before.bottom;
    if (!inside || before.width() <= 0 || before.height() <= 0) {
        return {before.left, before.top, before.left + width, before.top + height};
    }
    const int left = anchor_x - ScaleLength(anchor_x - before.left, width, before.width());
    const int top = anchor_y - ScaleLength(anchor_y - before.top, height, before.height());
    return {left, top, left + width, top + height};
}

}  // namespace nimbara
