// The hotkey as plain values: loading it from the registry texts, the texts written
// back, the two modifier encodings (RegisterHotKey's MOD_ flags and the hotkey
// control's HOTKEYF_ flags) and matching a WM_HOTKEY message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbara {

// RegisterHotKey's modifier flags (MOD_*).
constexpr std::uint16_t kModAlt = 0x0001;
constexpr std::uint16_t kModControl = 0x0002;
constexpr std::uint16_t kModShift = 0x0004;

// `modifiers` holds kModAlt, kModControl and kModShift or-ed; `key` is a virtual-key code
// (a letter's is its capital's character code).
struct HotKey {
    std::uint16_t modifiers = kModAlt;
    std::uint16_t key = 'V';
    friend bool operator==(const HotKey&, const HotKey&) = default;
};

constexpr HotKey kDefaultHotKey{kModAlt, 'V'};  // Alt+V

// Hotkey-control flags (HOTKEYF_*); Shift and Alt sit the other way round from MOD_*.
constexpr std::uint8_t kControlShift = 0x01;
constexpr std::uint8_t kControlCtrl = 0x02;
constexpr std::uint8_t kControlAlt = 0x04;
constexpr std::uint8_t kControlExtended = 0x08;

// The registry text as a 32-bit integer: leading spaces, an optional sign, then
// decimal digits, or hexadecimal digits after $, x, X, 0x or 0X. Anything else
// (empty text, trailing blanks, overflow) gives nullopt. Decimal must fit int32;
// hexadecimal may reach 0xFFFFFFFF, taken as the 32-bit pattern.
[[nodiscard]] std::optional<std::int32_t> ParseRegInteger(std::string_view text);

// Whether `key` may be the hotkey's key. The key the paste-back types to mask the
// release of Alt may not: with Alt it would press the hotkey again, without end.
[[nodiscard]] bool IsUsableHotKeyKey(std::uint16_t key);

// The hotkey from the texts of the HotKeyShift and HotKeyChar values. nullopt stands
// for a read that failed (for instance a value that is not text). Unless both texts
// convert, and to a usable key, the whole pair is the default Alt+V; otherwise each
// takes the low 16 bits.
HotKey LoadHotKeyFromTexts(std::optional<std::string> shift_text,
                           std::optional<std::string> key_text);

// The text stored in the registry: plain decimal, no sign, blanks or leading zeros.
std::string HotKeyValueText(std::uint16_t value);

// HOTKEYF_ flags to MOD_ flags; the extended-key flag and unknown bits are dropped.
std::uint16_t ModFromHotKeyControl(std::uint8_t control_flags);

// MOD_ flags to HOTKEYF_ flags. Bits other than 1, 2 and 4 (only an edited registry
// value holds them) have no place in the control and are ignored.
std::uint8_t HotKeyControlFromMod(std::uint16_t mod);

// The hotkey control's value: key code in the low byte, control flags in the high
// byte. 0, the empty control, when the key code does not fit a byte.
std::uint16_t HotKeyControlValue(HotKey hotkey);

HotKey HotKeyFromControlValue(std::uint16_t control_value);

// WM_HOTKEY's lParam carries the modifiers in its low word and the key in its high word;
// true when both are exactly the combination's, no more modifiers and no fewer.
[[nodiscard]] bool HotKeyMessageMatches(std::uint32_t lparam, HotKey current);

}  // namespace nimbara
