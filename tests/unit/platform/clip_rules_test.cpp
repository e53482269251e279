#include "platform/clip_rules.h"

#include <gtest/gtest.h>

namespace nimbara {
namespace {

TEST(EncodingOf, GdiObjectsAreRebuiltAndHandlesWithoutDataAreKeptAsNumbers) {
    using E = ClipEncoding;
    const struct {
        std::uint16_t format;
        ClipEncoding encoding;
    } cases[] = {
        {1, E::kGlobal},           {2, E::kBitmap},          {0x82, E::kBitmap},
        {3, E::kMetaFilePict},     {0x83, E::kMetaFilePict}, {14, E::kEnhMetaFile},
        {0x8E, E::kEnhMetaFile},   {9, E::kPalette},         {8, E::kGlobal},
        {0x80, E::kUnrestorable},  {0x2FF, E::kGlobal},      {0x300, E::kUnrestorable},
        {0x3FF, E::kUnrestorable}, {0x400, E::kGlobal},      {0xFFFF, E::kGlobal},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodingOf(c.format), c.encoding) << c.format;
}

TEST(KeptBitmapBytes, AHeaderAndFourBytesAPixelOrNothingWhenTheSizeCannotCountThem) {
    constexpr std::uint64_t k32 = UINT32_MAX, k64 = UINT64_MAX;
    constexpr std::int32_t kWidest = 1073741813;  // 40 + 4 × this: the most 32 bits count
    const struct {
        std::int32_t width, height;
        std::uint64_t size_max;
        std::optional<std::uint64_t> bytes;
    } cases[] = {
        {7, 5, k32, 40 + 140},
        {0, 5, k64, std::nullopt},
        {5, -1, k64, std::nullopt},
        {32768, 32768, k32, std::nullopt},
        {32768, 32768, k64, 40 + (4ull << 30)},
        {kWidest, 1, k32, k32 - 3},
        {kWidest + 1, 1, k32, std::nullopt},
        {INT32_MAX, INT32_MAX, k64, 40 + 4ull * INT32_MAX * INT32_MAX},
        {1, 1, 43, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto bytes = KeptBitmapBytes(c.width, c.height, c.size_max);
        EXPECT_EQ(bytes ? std::optional<std::uint64_t>(*bytes) : std::nullopt, c.bytes)
            << c.width << " x " << c.height << " within " << c.size_max;
    }
}

}  // namespace
}  // namespace nimbara
