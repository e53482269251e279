#include "settings/hotkey_rules.h"

#include "platform/input_facts.h"

namespace nimbara {
namespace {

// Each modifier as the hotkey control's flag and as the registration's.
struct ModifierBits {
    std::uint8_t control;
    std::uint16_t mod;
};
constexpr ModifierBits kModifierBits[] = {
    {kControlShift, kModShift}, {kControlCtrl, kModControl}, {kControlAlt, kModAlt}};

std::optional<unsigned> DigitValue(char c, unsigned base) {
    unsigned value = base;
    if (c >= '0' && c <= '9') value = static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') value = static_cast<unsigned>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') value = static_cast<unsigned>(c - 'A' + 10);
    if (value >= base) return std::nullopt;
    return value;
}

// The digits as one number not above limit; nullopt for no digits, a foreign
// character or a number past the limit. The limit keeps the sum within 64 bits.
std::optional<std::uint64_t> ParseDigits(std::string_view digits, unsigned base,
                                         std::uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const auto digit = DigitValue(c, base);
        if (!digit) return std::nullopt;
        value = value * base + *digit;
        if (value > limit) return std::nullopt;
    }
    return value;
}

// Length of a hexadecimal prefix at the start of text, 0 when there is none.
std::size_t HexPrefixLength(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) return 2;
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) return 1;
    return 0;
}

std::optional<std::int32_t> ParseHex(std::string_view digits, bool negative) {
    const auto value = ParseDigits(digits, 16, 0xFFFFFFFFu);
    if (!value) return std::nullopt;
    // The digits give a 32-bit pattern; the sign negates that pattern modulo 2^32.
    std::uint32_t pattern = static_cast<std::uint32_t>(*value);
    if (negative) pattern = 0u - pattern;
    return static_cast<std::int32_t>(pattern);
}

std::optional<std::int32_t> ParseDecimal(std::string_view digits, bool negative) {
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    const auto value = ParseDigits(digits, 10, limit);
    if (!value) return std::nullopt;
    const auto signed_value = static_cast<std::int64_t>(*value);
    return static_cast<std::int32_t>(negative ? -signed_value : signed_value);
}

std::optional<std::uint16_t> LowWord(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    const auto value = ParseRegInteger(*text);
    if (!value) return std::nullopt;
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(*value) & 0xFFFF);
}

}  // namespace

std::optional<std::int32_t> ParseRegInteger(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    text.remove_prefix(first);
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    if (const std::size_t prefix = HexPrefixLength(text); prefix != 0) {
        return ParseHex(text.substr(prefix), negative);
    }
    return ParseDecimal(text, negative);
}

bool IsUsableHotKeyKey(std::uint16_t key) { return key != kAltMaskKey; }

HotKey LoadHotKeyFromTexts(std::optional<std::string> shift_text,
                           std::optional<std::string> key_text) {
    const auto modifiers = LowWord(shift_text);
    const auto key = LowWord(key_text);
    // A pair half taken from the registry and half defaulted would be a combination
    // nobody chose, so one failure resets both.
    if (!modifiers || !key || !IsUsableHotKeyKey(*key)) return kDefaultHotKey;
    return HotKey{*modifiers, *key};
}

std::string HotKeyValueText(std::uint16_t value) { return std::to_string(value); }

std::uint16_t ModFromHotKeyControl(std::uint8_t control_flags) {
    std::uint16_t mod = 0;
    for (const ModifierBits& bits : kModifierBits)
        if (control_flags & bits.control) mod |= bits.mod;
    return mod;
}

std::uint8_t HotKeyControlFromMod(std::uint16_t mod) {
    std::uint8_t flags = 0;
    for (const ModifierBits& bits : kModifierBits)
        if (mod & bits.mod) flags |= bits.control;
    return flags;
}

std::uint16_t HotKeyControlValue(HotKey hotkey) {
    // The control holds the key code in one byte; a larger code cannot be shown.
    if (hotkey.key > 0xFF) return 0;
    return static_cast<std::uint16_t>(HotKeyControlFromMod(hotkey.modifiers) << 8 | hotkey.key);
}

HotKey HotKeyFromControlValue(std::uint16_t control_value) {
    const auto flags = static_cast<std::uint8_t>(control_value >> 8);
    return HotKey{ModFromHotKeyControl(flags), static_cast<std::uint16_t>(control_value & 0xFF)};
}

bool HotKeyMessageMatches(std::uint32_t lparam, HotKey current) {
    const auto modifiers = static_cast<std::uint16_t>(lparam & 0xFFFF);
    const auto key = static_cast<std::uint16_t>(lparam >> 16);
    return modifiers == current.modifiers && key == current.key;
}

}  // namespace nimbara
