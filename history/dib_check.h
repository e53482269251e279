// Whether a packed device-independent bitmap (CF_DIB, CF_DIBV5) holds every byte its
// header promises. The system builds the bitmap it offers beside a DIB from the header
// alone, so a header that claims more than its block holds makes it read past the block,
// into the memory of whichever program asked.
#pragma once

#include <cstdint>
#include <span>

namespace nimbara {

// True when the header is one the system reads (core, info, V4 or V5) and its colour
// table, bit masks and pixels all lie inside the block.
[[nodiscard]] bool DibFitsItsBlock(std::span<const std::uint8_t> block) noexcept;
// Where the pixels of a DIB that fits its block begin; 0 for one that does not.
[[nodiscard]] std::size_t DibPixelsOffset(std::span<const std::uint8_t> block) noexcept;

}  // namespace nimbara
