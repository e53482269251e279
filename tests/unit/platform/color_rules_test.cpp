#include "platform/color_rules.h"

#include <gtest/gtest.h>

namespace nimbara {
namespace {

TEST(DecodeColorCode, TheTopBitNamesASystemColourByItsLowByteElseTheLowThreeBytesAreRgb) {
    const struct {
        std::uint32_t code;
        bool system;
        std::uint32_t value;
    } cases[] = {
        {0x00000000, false, 0},      {0x00FFFFFF, false, 0xFFFFFF}, {0x7FABCDEF, false, 0xABCDEF},
        {0x0000FF00, false, 0xFF00}, {0x8000000F, true, 15},        {0x80000000, true, 0},
        {0x800001FF, true, 0xFF},    {0xFFFFFFFF, true, 0xFF},
    };
    for (const auto& c : cases) {
        const ColorCode color = DecodeColorCode(c.code);
        EXPECT_EQ(color.system, c.system) << std::hex << c.code;
        EXPECT_EQ(color.value, c.value) << std::hex << c.code;
    }
}

}  // namespace
}  // namespace nimbara
