// Numbers inside clipboard blocks and on the reader's pipe, which are laid out
// little-endian whatever reads them. The caller has checked that the bytes are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace nimbara {

// An unsigned number of sizeof(T) bytes.
template <typename T>
[[nodiscard]] T ReadLittleEndian(std::span<const std::uint8_t> bytes, std::size_t at) noexcept {
    T value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(T(bytes[at + i]) << (8 * i));
    return value;
}

template <typename T>
void WriteLittleEndian(std::span<std::uint8_t> bytes, std::size_t at, T value) noexcept {
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

[[nodiscard]] inline std::uint32_t ReadLittleEndian16(std::span<const std::uint8_t> bytes,
                                                      std::size_t at) noexcept {
    return ReadLittleEndian<std::uint16_t>(bytes, at);
}

[[nodiscard]] inline std::uint32_t ReadLittleEndian32(std::span<const std::uint8_t> bytes,
                                                      std::size_t at) noexcept {
    return ReadLittleEndian<std::uint32_t>(bytes, at);
}

}  // namespace nimbara
