// Numbers inside clipboard blocks, which are laid out little-endian whatever reads them.
// The caller has checked that the bytes are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace nimbara {

[[nodiscard]] inline std::uint32_t ReadLittleEndian16(std::span<const std::uint8_t> bytes,
                                                      std::size_t at) noexcept {
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8;
}

[[nodiscard]] inline std::uint32_t ReadLittleEndian32(std::span<const std::uint8_t> bytes,
                                                      std::size_t at) noexcept {
    return ReadLittleEndian16(bytes, at) | ReadLittleEndian16(bytes, at + 2) << 16;
}

}  // namespace nimbara
