// Copies of what a clipboard handle holds, as bytes, and new handles made from
// such bytes. Readers throw AppError when the object cannot be read and
// std::bad_alloc when its copy does not fit in memory; makers return an empty
// owner when the bytes do not describe a valid object.
#pragma once

#include <windows.h>

#include <span>

#include "platform/clip_encoding.h"
#include "platform/byte_buffer.h"
#include "platform/handles.h"

namespace nimbara {

// Reads the bytes behind a clipboard handle of the given encoding. A global block
// yields all of its bytes as GlobalSize reports them.
ByteBuffer ReadClipObject(ClipEncoding encoding, HANDLE handle);

// A new handle for SetClipboardData holding an equal object; owns it until the
// clipboard takes it. Empty when the bytes are not a valid object.
class ClipObject {
public:
    ClipObject() = default;
    ClipObject(ClipEncoding encoding, HANDLE handle) : encoding_(encoding), handle_(handle) {}
    ClipObject(ClipObject&& other) noexcept
        : encoding_(other.encoding_), handle_(std::exchange(other.handle_, nullptr)) {}
    ClipObject& operator=(ClipObject&&) = delete;
    ClipObject(const ClipObject&) = delete;
    ~ClipObject();

    [[nodiscard]] HANDLE get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    // The clipboard took the handle: it frees it from now on.
    void HandOver() noexcept { handle_ = nullptr; }

private:
    ClipEncoding encoding_ = ClipEncoding::kGlobal;
    HANDLE handle_ = nullptr;
};

// The bytes of a bitmap (as ReadClipObject keeps one) made from a packed DIB in this
// process's own memory, whose pixels begin `pixels_at` bytes into it. The caller has
// checked that the DIB holds every byte its header promises.
ByteBuffer BitmapFromDib(std::span<const std::uint8_t> dib, std::size_t pixels_at);

ClipObject MakeClipObject(ClipEncoding encoding, std::span<const std::uint8_t> bytes);

// A global memory block holding a copy of the bytes (GMEM_MOVEABLE | GMEM_DDESHARE).
UniqueHGlobal MakeGlobalBlock(std::span<const std::uint8_t> bytes);

}  // namespace nimbara
