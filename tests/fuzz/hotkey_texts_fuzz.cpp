// Arbitrary bytes as the HotKeyShift and HotKeyChar registry texts (split at the
// first newline), which anyone with access to the key can edit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "settings/hotkey_rules.h"
#include "fuzz_check.h"

namespace {

void CheckNumberTexts(std::int32_t value) {
    // Every int32 comes back from its decimal text and from its hexadecimal pattern.
    NIMBARA_FUZZ_CHECK(nimbara::ParseRegInteger(std::to_string(value)) == value);
    char hex[16];
    std::snprintf(hex, sizeof hex, "$%X", static_cast<unsigned>(value));
    NIMBARA_FUZZ_CHECK(nimbara::ParseRegInteger(hex) == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    const std::string shift_text(input.substr(0, split));
    const std::optional<std::string> key_text =
        split == std::string_view::npos ? std::nullopt
                                        : std::optional<std::string>(input.substr(split + 1));

    const auto shift = nimbara::ParseRegInteger(shift_text);
    const auto key = key_text ? nimbara::ParseRegInteger(*key_text) : std::nullopt;
    const nimbara::HotKey loaded = nimbara::LoadHotKeyFromTexts(shift_text, key_text);
    // The key typed to mask Alt's release is refused like a malformed text.
    if (!shift || !key || static_cast<std::uint16_t>(*key) == 0xE8) {
        NIMBARA_FUZZ_CHECK(loaded == nimbara::kDefaultHotKey);
    } else {
        NIMBARA_FUZZ_CHECK(loaded.modifiers == static_cast<std::uint16_t>(*shift));
        NIMBARA_FUZZ_CHECK(loaded.key == static_cast<std::uint16_t>(*key));
    }
    // What is written back always loads as the same pair.
    NIMBARA_FUZZ_CHECK(nimbara::LoadHotKeyFromTexts(nimbara::HotKeyValueText(loaded.modifiers),
                                                    nimbara::HotKeyValueText(loaded.key)) ==
                       loaded);

    if (size >= 4) {
        std::int32_t value;
        std::memcpy(&value, data, sizeof value);
        CheckNumberTexts(value);
    }
    if (size >= 2) {
        const auto control_value = static_cast<std::uint16_t>(data[0] | data[1] << 8);
        const nimbara::HotKey from_control = nimbara::HotKeyFromControlValue(control_value);
        NIMBARA_FUZZ_CHECK(from_control.modifiers <= 7 && from_control.key <= 0xFF);
        NIMBARA_FUZZ_CHECK(nimbara::HotKeyFromControlValue(
                               nimbara::HotKeyControlValue(from_control)) == from_control);
    }
    return 0;
}
