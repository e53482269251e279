#include "platform/clip_encoding.h"

namespace nimbara {

namespace {
// The predefined format numbers (winuser.h), here without windows.h.
constexpr std::uint16_t kBitmap = 2, kMetaFilePict = 3, kPalette = 9, kEnhMetaFile = 14;
constexpr std::uint16_t kOwnerDisplay = 0x80, kDspBitmap = 0x82, kDspMetaFilePict = 0x83,
                        kDspEnhMetaFile = 0x8E;
constexpr std::uint16_t kGdiObjFirst = 0x300, kGdiObjLast = 0x3FF;
}  // namespace

ClipEncoding EncodingOf(std::uint16_t format) noexcept {
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

}  // namespace nimbara
