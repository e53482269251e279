// Decisions about clipboard formats that need no window system: how a format's handle
// is kept in a slot, and how many bytes the pixels of a bitmap take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/clip_encoding.h"

namespace nimbara {

// The predefined format numbers (winuser.h), for the rules that compile without windows.h.
namespace clip_format {
inline constexpr std::uint16_t kText = 1, kBitmap = 2, kMetaFilePict = 3, kOemText = 7,
                               kPalette = 9, kUnicodeText = 13, kEnhMetaFile = 14, kHDrop = 15;
inline constexpr std::uint16_t kOwnerDisplay = 0x80, kDspBitmap = 0x82, kDspMetaFilePict = 0x83,
                               kDspEnhMetaFile = 0x8E;
inline constexpr std::uint16_t kGdiObjFirst = 0x300, kGdiObjLast = 0x3FF;
}  // namespace clip_format

[[nodiscard]] ClipEncoding EncodingOf(std::uint16_t format) noexcept;

// Bytes of a DIB's uncompressed pixels: `rows` rows of `width` pixels of `bits` each, every
// row padded to four bytes. Counted in 64 bits, where no width and height a header can state
// (below 2^31) at up to 32 bits a pixel overflow.
[[nodiscard]] std::uint64_t DibPixelBytes(std::uint32_t width, std::uint32_t bits,
                                          std::uint32_t rows) noexcept;

// BITMAPINFOHEADER, the head of the packed DIB a bitmap is kept as.
inline constexpr std::size_t kBitmapHeaderBytes = 40;

// Bytes of the packed DIB at 32 bits a pixel that keeps a bitmap of a positive width and
// height; nothing when they are not positive or the DIB is larger than `size_max`. A
// monochrome bitmap that a 32-bit process can hold may need more at 32 bits a pixel than
// its sizes can count: it cannot be kept, as if memory had run out.
[[nodiscard]] std::optional<std::size_t> KeptBitmapBytes(
    std::int32_t width, std::int32_t height, std::uint64_t size_max = SIZE_MAX) noexcept;

}  // namespace nimbara
