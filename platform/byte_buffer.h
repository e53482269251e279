// An owned run of bytes in ordinary heap memory, left uninitialised on creation
// so that copying a large clipboard block does not write it twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace nimbara {

class ByteBuffer {
public:
    ByteBuffer() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit ByteBuffer(std::size_t size)
        : data_(size ? std::make_unique_for_overwrite<std::uint8_t[]>(size) : nullptr),
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
    [[nodiscard]] std::span<const std::uint8_t> bytes() const noexcept { return {data_.get(), size_}; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

}  // namespace nimbara
