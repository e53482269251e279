// Invariants of a window's layout table (platform/layout.h): every control lies inside
// its parent's client area, none overlaps another unless it lies wholly inside one of
// the `containers` (a group box), and each comes further down or further right than the
// one before it: the order the product builds them and tabs through them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <span>

#include "platform/layout.h"

namespace nimbara::testing {

inline bool Overlap(const DesignedRect& a, const DesignedRect& b) {
    return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

inline bool Inside(const DesignedRect& inner, const DesignedRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

inline void ExpectSoundLayout(std::span<const LayoutRow> rows, SIZE client,
                              std::initializer_list<UINT> containers = {}) {
    const DesignedRect area{0, 0, client.cx, client.cy};
    const auto is_container = [&](UINT id) {
        return std::find(containers.begin(), containers.end(), id) != containers.end();
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DesignedRect& r = rows[i].place;
        SCOPED_TRACE(rows[i].id);
        EXPECT_GT(r.width, 0);
        EXPECT_GT(r.height, 0);
        EXPECT_TRUE(Inside(r, area)) << "outside the client area";
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            const DesignedRect& next = rows[j].place;
            const bool contained = (is_container(rows[i].id) && Inside(next, r)) ||
                                   (is_container(rows[j].id) && Inside(r, next));
            EXPECT_TRUE(contained || !Overlap(r, next)) << "overlaps " << rows[j].id;
        }
        if (i + 1 < rows.size()) {
            const DesignedRect& next = rows[i + 1].place;
            EXPECT_TRUE(next.y > r.y || next.x > r.x) << "out of order before " << rows[i + 1].id;
        }
    }
}

}  // namespace nimbara::testing
