// The main window's layout tables: the bands run the window's width one under the
// other down to its bottom, and each band's controls lie inside it, apart, in order.
#include <gtest/gtest.h>

#include "layout_invariants.h"
#include "app/main_window.h"

namespace nimbara {
namespace {

TEST(MainWindowLayoutTest, BandsStackDownTheWholeClientArea) {
    testing::ExpectSoundLayout(kMainWindowLayout, kMainWindow.client);
    int top = 0;
    for (const LayoutRow& band : kMainWindowLayout) {
        SCOPED_TRACE(band.id);
        EXPECT_EQ(band.place.x, 0);
        EXPECT_EQ(band.place.width, kMainWindow.client.cx);
        EXPECT_EQ(band.place.y, top);
        top = band.place.bottom();
    }
    EXPECT_EQ(top, kMainWindow.client.cy);
}

TEST(MainWindowLayoutTest, EachBandHoldsItsControlsApartAndInOrder) {
    const auto size_of = [](MainControl id) {
        for (const LayoutRow& band : kMainWindowLayout)
            if (band.id == UINT(id)) return SIZE{band.place.width, band.place.height};
        return SIZE{};
    };
    testing::ExpectSoundLayout(kTitleStripLayout, size_of(MainControl::kTitleStrip));
    testing::ExpectSoundLayout(kToolBarPanelLayout, size_of(MainControl::kToolBarPanel));
    EXPECT_EQ(kToolBarPanelLayout[0].place.height, kToolButtonSize.cy);
}

}  // namespace
}  // namespace nimbara
