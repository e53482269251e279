// How each clipboard format's handle is kept in a slot. Most formats are global
// memory blocks and are kept as their raw bytes; a few are GDI objects or hold a
// handle to one, and are kept as the bytes that rebuild an equal object.
#pragma once

#include <cstdint>

namespace nimbara {

enum class ClipEncoding : std::uint8_t {
    kGlobal,        // the global memory block's bytes, as they are
    kBitmap,        // a bitmap, kept as a 32-bit packed DIB
    kPalette,       // a palette, kept as a LOGPALETTE
    kEnhMetaFile,   // an enhanced metafile, kept as its bits
    kMetaFilePict,  // METAFILEPICT: mapping mode and extents, then the metafile's bits
    kUnrestorable,  // a handle the program cannot copy: kept as a number only, never written back
};

}  // namespace nimbara
