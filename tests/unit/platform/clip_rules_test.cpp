#include "platform/clip_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace nimbara {
namespace {

TEST(EncodingOf, GdiObjectsAreRebuiltAndHandlesWithoutDataAreKeptAsNumbers) {
    using E = ClipEncoding;
    const struct {
        std::uint16_t format;
        ClipEncoding encoding;
    } cases[] = {
        {0, E::kGlobal},           {1, E::kGlobal},         {2, E::kBitmap},
        {0x82, E::kBitmap},        {3, E::kMetaFilePict},   {0x83, E::kMetaFilePict},
        {14, E::kEnhMetaFile},     {0x8E, E::kEnhMetaFile}, {9, E::kPalette},
        {8, E::kGlobal},           {17, E::kGlobal},        {0x80, E::kUnrestorable},
        {0x81, E::kGlobal},        {0x2FF, E::kGlobal},     {0x300, E::kUnrestorable},
        {0x3FF, E::kUnrestorable}, {0x400, E::kGlobal},     {0xC000, E::kGlobal},
        {0xFFFF, E::kGlobal},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodingOf(c.format), c.encoding) << c.format;
}

TEST(KeptBitmapBytes, CountsAHeaderAndFourBytesAPixelOrNothingWhenTheSizeCannotHoldIt) {
    constexpr std::uint64_t k32 = UINT32_MAX, k64 = UINT64_MAX;
    // 40 + 4 * 1073741813 is the largest a 32-bit size holds.
    constexpr std::int32_t kLargestWidth = 1073741813;
    const struct {
        std::int32_t width, height;
        std::uint64_t size_max;
        std::optional<std::uint64_t> bytes;
    } cases[] = {
        {1, 1, k32, 44},
        {7, 5, k32, 40 + 140},
        {0, 5, k64, std::nullopt},
        {5, -1, k64, std::nullopt},
        {INT32_MIN, INT32_MIN, k64, std::nullopt},
        {32767, 32768, k32, 40 + 4ull * 32767 * 32768},
        {32768, 32768, k32, std::nullopt},  // 4 GB of pixels: one more than 32 bits count
        {32768, 32768, k64, 40 + (4ull << 30)},
        {kLargestWidth, 1, k32, k32 - 3},
        {kLargestWidth + 1, 1, k32, std::nullopt},
        {INT32_MAX, INT32_MAX, k64, 40 + 4ull * INT32_MAX * INT32_MAX},
        {INT32_MAX, INT32_MAX, k32, std::nullopt},
        {1, 1, 43, std::nullopt},
        {1, 1, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto bytes = KeptBitmapBytes(c.width, c.height, c.size_max);
        EXPECT_EQ(bytes ? std::optional<std::uint64_t>(*bytes) : std::nullopt, c.bytes)
            << c.width << " x " << c.height << " within " << c.size_max;
    }
}

TEST(DibPixelBytes, PadsEveryRowToFourBytes) {
    const struct {
        std::uint32_t width, bits, rows;
        std::uint64_t bytes;
    } cases[] = {
        {1, 1, 1, 4},  {32, 1, 2, 8},
        {33, 1, 1, 8}, {3, 24, 1, 12},
        {5, 8, 3, 24}, {1, 32, 0, 0},
        {0, 32, 9, 0}, {0x7FFFFFFF, 32, 0x7FFFFFFF, 4ull * 0x7FFFFFFF * 0x7FFFFFFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DibPixelBytes(c.width, c.bits, c.rows), c.bytes) << c.width << " " << c.bits;
}

}  // namespace
}  // namespace nimbara
