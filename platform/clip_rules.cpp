#include "platform/clip_rules.h"

namespace nimbara {

ClipEncoding EncodingOf(std::uint16_t format) noexcept {
    using namespace clip_format;
    switch (format) {
        case kBitmap:
        case kDspBitmap:
            return ClipEncoding::kBitmap;
        case kPalette:
            return ClipEncoding::kPalette;
        case kEnhMetaFile:
        case kDspEnhMetaFile:
            return ClipEncoding::kEnhMetaFile;
        case kMetaFilePict:
        case kDspMetaFilePict:
            return ClipEncoding::kMetaFilePict;
        case kOwnerDisplay:
            // The owner draws it itself; there is no data to keep.
            return ClipEncoding::kUnrestorable;
        default:
            // Private GDI objects: any kind of object, deleted by the system when the
            // clipboard is emptied; nothing tells what to copy.
            if (format >= kGdiObjFirst && format <= kGdiObjLast) return ClipEncoding::kUnrestorable;
            return ClipEncoding::kGlobal;
    }
}

std::uint64_t DibPixelBytes(std::uint32_t width, std::uint32_t bits, std::uint32_t rows) noexcept {
    return (std::uint64_t(width) * bits + 31) / 32 * 4 * rows;
}

std::optional<std::size_t> KeptBitmapBytes(std::int32_t width, std::int32_t height,
                                           std::uint64_t size_max) noexcept {
    if (width <= 0 || height <= 0) return std::nullopt;
    const std::uint64_t pixels = DibPixelBytes(std::uint32_t(width), 32, std::uint32_t(height));
    if (size_max < kBitmapHeaderBytes || pixels > size_max - kBitmapHeaderBytes)
        return std::nullopt;
    return static_cast<std::size_t>(kBitmapHeaderBytes + pixels);
}

}  // namespace nimbara
