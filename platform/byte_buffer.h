// An owned run of bytes, left uninitialised on creation so that copying a large
// clipboard block does not write it twice. The bytes live apart from the C runtime's
// heap (platform/slot_memory), so that freed slots give their memory back to the system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "platform/slot_memory.h"

namespace nimbara {

// Frees a buffer's bytes with the size they were given, whatever Shrink has left
// visible since.
struct ReleaseSlotBytes {
    std::size_t allocated = 0;
    void operator()(std::uint8_t* bytes) const noexcept { FreeSlotBytes(bytes, allocated); }
};

class ByteBuffer {
public:
    ByteBuffer() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit ByteBuffer(std::size_t size)
        : data_(size ? static_cast<std::uint8_t*>(AllocateSlotBytes(size)) : nullptr,
                ReleaseSlotBytes{size}),
          size_(size) {}
    static ByteBuffer CopyOf(std::span<const std::uint8_t> bytes) {
        ByteBuffer b(bytes.size());
        if (!bytes.empty()) std::memcpy(b.data(), bytes.data(), bytes.size());
        return b;
    }

    // Keeps only the first `size` bytes: what a second read actually delivered, so that
    // none of the bytes it left unwritten is ever seen.
    void Shrink(std::size_t size) noexcept {
        if (size < size_) size_ = size;
        if (size_ == 0) data_.reset();
    }

    [[nodiscard]] std::uint8_t* data() noexcept { return data_.get(); }
    [[nodiscard]] const std::uint8_t* data() const noexcept { return data_.get(); }
    [[nodiscard]] std::size_t size() const noexcept { return size_; }
    [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
    [[nodiscard]] std::span<const std::uint8_t> bytes() const noexcept {
        return {data_.get(), size_};
    }

private:
    std::unique_ptr<std::uint8_t[], ReleaseSlotBytes> data_;
    std::size_t size_ = 0;
};

}  // namespace nimbara
