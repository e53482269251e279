#include "history/dib_check.h"

#include <optional>

#include "history/little_endian.h"
#include "platform/clip_rules.h"

namespace nimbara {

namespace {

constexpr std::uint32_t kCoreHeaderBytes = 12, kInfoHeaderBytes = 40;
// Compression codes (wingdi.h), here without windows.h.
constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kJpeg = 4, kPng = 5,
                        kAlphaBitFields = 6;

bool KnownBitCount(std::uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

struct Layout {
    std::uint64_t pixels_at;
    std::uint64_t pixels;
};

// Where the header puts the pixels and how many bytes it says they take; nothing for a
// header the system would not read.
std::optional<Layout> LayoutOf(std::span<const std::uint8_t> block) noexcept {
    if (block.size() < 4) return std::nullopt;
    const std::uint64_t size = block.size();
    const std::uint32_t header = ReadLittleEndian32(block, 0);
    if (header > size) return std::nullopt;
    if (header == kCoreHeaderBytes) {
        const std::uint32_t width = ReadLittleEndian16(block, 4),
                            height = ReadLittleEndian16(block, 6);
        const std::uint32_t bits = ReadLittleEndian16(block, 10);
        if (!KnownBitCount(bits) || width == 0 || height == 0) return std::nullopt;
        const std::uint64_t colours = bits <= 8 ? (1u << bits) * 3ull : 0;
        return Layout{header + colours, DibPixelBytes(width, bits, height)};
    }
    if (header < kInfoHeaderBytes) return std::nullopt;
    const auto width = static_cast<std::int32_t>(ReadLittleEndian32(block, 4));
    const auto height = static_cast<std::int32_t>(ReadLittleEndian32(block, 8));
    const std::uint32_t bits = ReadLittleEndian16(block, 14);
    const std::uint32_t compression = ReadLittleEndian32(block, 16);
    const std::uint32_t image_bytes = ReadLittleEndian32(block, 20);
    const std::uint32_t colours_used = ReadLittleEndian32(block, 32);
    if (width <= 0 || height == 0 || height == INT32_MIN) return std::nullopt;
    std::uint64_t masks = 0;
    if (header == kInfoHeaderBytes && compression == kBitFields) masks = 12;
    if (header == kInfoHeaderBytes && compression == kAlphaBitFields) masks = 16;
    std::uint64_t colours = colours_used;
    if (colours == 0 && bits <= 8) colours = 1ull << bits;
    const std::uint64_t pixels_at = header + masks + colours * 4;
    const std::uint64_t rows = height < 0 ? -std::int64_t(height) : height;
    std::uint64_t pixels;
    switch (compression) {
        case kRgb:
        case kBitFields:
        case kAlphaBitFields:
            if (!KnownBitCount(bits)) return std::nullopt;
            pixels = DibPixelBytes(std::uint32_t(width), bits, std::uint32_t(rows));
            break;
        case kRle8:
        case kRle4:
        case kJpeg:
        case kPng:
            // Compressed pixels are as long as the header says, and no longer.
            if (image_bytes == 0) return std::nullopt;
            pixels = image_bytes;
            break;
        default:
            return std::nullopt;
    }
    return Layout{pixels_at, pixels};
}

}  // namespace

bool DibFitsItsBlock(std::span<const std::uint8_t> block) noexcept {
    const std::optional<Layout> layout = LayoutOf(block);
    return layout && layout->pixels_at + layout->pixels <= block.size();
}

std::size_t DibPixelsOffset(std::span<const std::uint8_t> block) noexcept {
    if (!DibFitsItsBlock(block)) return 0;
    return static_cast<std::size_t>(LayoutOf(block)->pixels_at);
}

}  // namespace nimbara
