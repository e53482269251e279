#include "platform/color_rules.h"

namespace nimbara {

ColorCode DecodeColorCode(std::uint32_t code) noexcept {
    if (code & kSystemColorCode) return {true, code & 0xFF};
    return {false, code & 0x00FFFFFF};
}

}  // namespace nimbara
