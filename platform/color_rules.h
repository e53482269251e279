// The 32-bit colour codes the window designs give: $00BBGGRR, or with the top bit set, the
// index of a system colour in the low byte.
#pragma once

#include <cstdint>

namespace nimbara {

// The top bit that marks a system colour index.
constexpr std::uint32_t kSystemColorCode = 0x80000000u;

struct ColorCode {
    bool system = false;  // `value` is a system colour index (GetSysColor), not an RGB value
    std::uint32_t value = 0;
};

[[nodiscard]] ColorCode DecodeColorCode(std::uint32_t code) noexcept;

}  // namespace nimbara
