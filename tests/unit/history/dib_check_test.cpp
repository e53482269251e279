#include "history/dib_check.h"

#include <gtest/gtest.h>

#include <vector>

namespace nimbara {
namespace {

using Block = std::vector<std::uint8_t>;

void Put(Block& b, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A BITMAPINFOHEADER (or a longer header of `header` bytes) and `tail` more bytes.
Block Info(std::int32_t w, std::int32_t h, std::uint32_t bits, std::uint32_t compression,
           std::size_t tail, std::uint32_t image = 0, std::uint32_t used = 0,
           std::uint32_t header = 40) {
    Block b(header + tail);
    Put(b, 0, header, 4);
    Put(b, 4, std::uint32_t(w), 4);
    Put(b, 8, std::uint32_t(h), 4);
    Put(b, 12, 1, 2);
    Put(b, 14, bits, 2);
    Put(b, 16, compression, 4);
    Put(b, 20, image, 4);
    Put(b, 32, used, 4);
    return b;
}

Block Core(std::uint32_t w, std::uint32_t h, std::uint32_t bits, std::size_t tail) {
    Block b(12 + tail);
    Put(b, 0, 12, 4);
    Put(b, 4, w, 2);
    Put(b, 6, h, 2);
    Put(b, 8, 1, 2);
    Put(b, 10, bits, 2);
    return b;
}

TEST(DibCheckTest, AHeaderMustNotPromiseMoreThanItsBlockHolds) {
    const struct {
        const char* what;
        Block block;
        bool fits;
    } cases[] = {
        {"empty block", {}, false},
        {"32-bit 2x2, exact", Info(2, 2, 32, 0, 16), true},
        {"32-bit 2x2, one byte short", Info(2, 2, 32, 0, 15), false},
        {"24-bit 3x1, rows unpadded", Info(3, 1, 24, 0, 9), false},
        {"8-bit without its 256 colours", Info(1, 1, 8, 0, 4), false},
        {"8-bit with the 2 colours it uses", Info(1, 1, 8, 0, 2 * 4 + 4, 0, 2), true},
        {"colours used beyond the block", Info(1, 1, 32, 0, 4, 0, 0x40000000), false},
        {"bit fields without their masks", Info(1, 1, 16, 3, 4), false},
        {"V5 header, bit fields inside it", Info(1, 1, 32, 3, 4, 0, 0, 124), true},
        {"huge width and height", Info(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 64), false},
        {"most negative height", Info(1, INT32_MIN, 32, 0, 64), false},
        {"RLE8 longer than its block", Info(4, 4, 8, 1, 1024 + 10, 11), false},
        {"header longer than the block", Info(1, 1, 32, 0, 0, 0, 0, 400), false},
        {"core 8-bit without its colours", Core(1, 1, 8, 4), false},
        {"core 2x2 24-bit", Core(2, 2, 24, 16), true},
    };
    for (const auto& c : cases) EXPECT_EQ(DibFitsItsBlock(c.block), c.fits) << c.what;
}

}  // namespace
}  // namespace nimbara
