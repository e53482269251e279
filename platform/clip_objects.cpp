#include "platform/clip_objects.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "platform/clip_rules.h"
#include "platform/error.h"

namespace nimbara {

namespace {

// Kept with the metafile bits: METAFILEPICT without its handle.
struct MetaFilePictHeader {
    std::int32_t mapping_mode;
    std::int32_t x_ext;
    std::int32_t y_ext;
};

[[noreturn]] void ThrowUnreadable() { throw AppError(L"Cannot read clipboard data"); }

ByteBuffer ReadGlobal(HANDLE handle) {
    const SIZE_T size = ::GlobalSize(handle);
    if (size == 0) return {};
    ByteBuffer bytes(size);
    LockedGlobal lock(handle);
    if (!lock.get()) ThrowUnreadable();
    std::memcpy(bytes.data(), lock.get(), size);
    return bytes;
}

ByteBuffer ReadBitmap(HBITMAP bitmap) {
    BITMAP info{};
    if (!::GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        ThrowUnreadable();
    BITMAPINFOHEADER header{sizeof(header)};
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    static_assert(sizeof(header) == kBitmapHeaderBytes);
    const std::optional<std::size_t> kept = KeptBitmapBytes(info.bmWidth, info.bmHeight);
    if (!kept) throw std::bad_alloc();
    ByteBuffer bytes(*kept);
    std::memcpy(bytes.data(), &header, sizeof(header));
    WindowDc screen(nullptr);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(bytes.data());
    const int lines = ::GetDIBits(screen.get(), bitmap, 0, info.bmHeight,
                                  bytes.data() + sizeof(header), bmi, DIB_RGB_COLORS);
    if (lines <= 0) ThrowUnreadable();
    // Rows the system did not deliver are black, never what the buffer held before.
    if (lines < info.bmHeight) {
        const auto delivered = static_cast<std::size_t>(DibPixelBytes(info.bmWidth, 32, lines));
        std::memset(bytes.data() + sizeof(header) + delivered, 0,
                    *kept - sizeof(header) - delivered);
    }
    // GetDIBits may rewrite the header (its size field stays); keep the one we asked for.
    std::memcpy(bytes.data(), &header, sizeof(header));
    return bytes;
}

ByteBuffer ReadPalette(HPALETTE palette) {
    const UINT count = ::GetPaletteEntries(palette, 0, 0, nullptr);
    if (count == 0) ThrowUnreadable();
    ByteBuffer bytes(offsetof(LOGPALETTE, palPalEntry) + count * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(bytes.data());
    log->palVersion = 0x300;
    // The palette may have shrunk since it was counted: keep the entries delivered.
    const UINT got = ::GetPaletteEntries(palette, 0, count, log->palPalEntry);
    if (got == 0) ThrowUnreadable();
    log->palNumEntries = static_cast<WORD>(std::min(got, count));
    bytes.Shrink(offsetof(LOGPALETTE, palPalEntry) + log->palNumEntries * sizeof(PALETTEENTRY));
    return bytes;
}

ByteBuffer ReadEnhMetaFile(HENHMETAFILE emf) {
    const UINT size = ::GetEnhMetaFileBits(emf, 0, nullptr);
    if (size == 0) ThrowUnreadable();
    ByteBuffer bytes(size);
    const UINT got = ::GetEnhMetaFileBits(emf, size, bytes.data());
    if (got == 0) ThrowUnreadable();
    bytes.Shrink(got);
    return bytes;
}

ByteBuffer ReadMetaFilePict(HANDLE handle) {
    LockedGlobal lock(handle);
    if (!lock.get() || ::GlobalSize(handle) < sizeof(METAFILEPICT)) ThrowUnreadable();
    METAFILEPICT pict;
    std::memcpy(&pict, lock.get(), sizeof(pict));
    const UINT size = ::GetMetaFileBitsEx(pict.hMF, 0, nullptr);
    if (size == 0) ThrowUnreadable();
    ByteBuffer bytes(sizeof(MetaFilePictHeader) + size);
    const MetaFilePictHeader header{pict.mm, pict.xExt, pict.yExt};
    std::memcpy(bytes.data(), &header, sizeof(header));
    const UINT got = ::GetMetaFileBitsEx(pict.hMF, size, bytes.data() + sizeof(header));
    if (got == 0) ThrowUnreadable();
    bytes.Shrink(sizeof(header) + std::min(got, size));
    return bytes;
}

HBITMAP MakeBitmap(std::span<const std::uint8_t> bytes) {
    BITMAPINFOHEADER header;
    if (bytes.size() < sizeof(header)) return nullptr;
    std::memcpy(&header, bytes.data(), sizeof(header));
    if (header.biSize != sizeof(header) || header.biBitCount != 32 || header.biWidth <= 0 ||
        header.biHeight <= 0 || header.biCompression != BI_RGB)
        return nullptr;
    if (bytes.size() - sizeof(header) < DibPixelBytes(header.biWidth, 32, header.biHeight))
        return nullptr;
    BITMAPINFO bmi{};
    bmi.bmiHeader = header;
    WindowDc screen(nullptr);
    return ::CreateDIBitmap(screen.get(), &header, CBM_INIT, bytes.data() + sizeof(header), &bmi,
                            DIB_RGB_COLORS);
}

HPALETTE MakePalette(std::span<const std::uint8_t> bytes) {
    const std::size_t head = offsetof(LOGPALETTE, palPalEntry);
    if (bytes.size() < head) return nullptr;
    WORD count;
    std::memcpy(&count, bytes.data() + offsetof(LOGPALETTE, palNumEntries), sizeof(count));
    if (count == 0 || bytes.size() < head + count * sizeof(PALETTEENTRY)) return nullptr;
    std::vector<std::uint8_t> aligned(bytes.begin(), bytes.end());
    return ::CreatePalette(reinterpret_cast<const LOGPALETTE*>(aligned.data()));
}

HGLOBAL MakeMetaFilePict(std::span<const std::uint8_t> bytes) {
    MetaFilePictHeader header;
    if (bytes.size() <= sizeof(header)) return nullptr;
    std::memcpy(&header, bytes.data(), sizeof(header));
    HMETAFILE mf = ::SetMetaFileBitsEx(static_cast<UINT>(bytes.size() - sizeof(header)),
                                       bytes.data() + sizeof(header));
    if (!mf) return nullptr;
    const METAFILEPICT pict{header.mapping_mode, header.x_ext, header.y_ext, mf};
    UniqueHGlobal block =
        MakeGlobalBlock({reinterpret_cast<const std::uint8_t*>(&pict), sizeof(pict)});
    if (!block) ::DeleteMetaFile(mf);
    return block.release();
}

}  // namespace

ByteBuffer ReadClipObject(ClipEncoding encoding, HANDLE handle) {
    switch (encoding) {
        case ClipEncoding::kGlobal:
            return ReadGlobal(handle);
        case ClipEncoding::kBitmap:
            return ReadBitmap(static_cast<HBITMAP>(handle));
        case ClipEncoding::kPalette:
            return ReadPalette(static_cast<HPALETTE>(handle));
        case ClipEncoding::kEnhMetaFile:
            return ReadEnhMetaFile(static_cast<HENHMETAFILE>(handle));
        case ClipEncoding::kMetaFilePict:
            return ReadMetaFilePict(handle);
        case ClipEncoding::kUnrestorable:
            return {};
    }
    return {};
}

ByteBuffer BitmapFromDib(std::span<const std::uint8_t> dib, std::size_t pixels_at) {
    if (pixels_at == 0 || pixels_at > dib.size()) ThrowUnreadable();
    // The header is read where it lies: a packed DIB starts with it, suitably aligned.
    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
    WindowDc screen(nullptr);
    const UniqueHBitmap bitmap(::CreateDIBitmap(screen.get(), &info->bmiHeader, CBM_INIT,
                                                dib.data() + pixels_at, info, DIB_RGB_COLORS));
    if (!bitmap) ThrowUnreadable();
    return ReadBitmap(bitmap.get());
}

ClipObject::~ClipObject() {
    if (!handle_) return;
    switch (encoding_) {
        case ClipEncoding::kBitmap:
        case ClipEncoding::kPalette:
            ::DeleteObject(handle_);
            break;
        case ClipEncoding::kEnhMetaFile:
            ::DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle_));
            break;
        case ClipEncoding::kMetaFilePict: {
            // Unlocked again before the block goes.
            if (const LockedGlobal pict(handle_); pict.get())
                ::DeleteMetaFile(pict.as<METAFILEPICT>()->hMF);
            ::GlobalFree(handle_);
            break;
        }
        default:
            ::GlobalFree(handle_);
            break;
    }
}

ClipObject MakeClipObject(ClipEncoding encoding, std::span<const std::uint8_t> bytes) {
    switch (encoding) {
        case ClipEncoding::kGlobal:
            return ClipObject(encoding, MakeGlobalBlock(bytes).release());
        case ClipEncoding::kBitmap:
            return ClipObject(encoding, MakeBitmap(bytes));
        case ClipEncoding::kPalette:
            return ClipObject(encoding, MakePalette(bytes));
        case ClipEncoding::kEnhMetaFile:
            return ClipObject(encoding, bytes.empty()
                                            ? nullptr
                                            : ::SetEnhMetaFileBits(static_cast<UINT>(bytes.size()),
                                                                   bytes.data()));
        case ClipEncoding::kMetaFilePict:
            return ClipObject(encoding, MakeMetaFilePict(bytes));
        case ClipEncoding::kUnrestorable:
            return {};
    }
    return {};
}

UniqueHGlobal MakeGlobalBlock(std::span<const std::uint8_t> bytes) {
    UniqueHGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size()));
    if (!block || bytes.empty()) return block;
    LockedGlobal lock(block.get());
    if (!lock.get()) return {};
    std::memcpy(lock.get(), bytes.data(), bytes.size());
    return block;
}

}  // namespace nimbara
