#include "settings/hotkey_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace nimbara {
namespace {

using std::nullopt;

TEST(ParseRegInteger, AcceptedTexts) {
    struct Case {
        std::string text;
        std::int32_t value;
    };
    const std::vector<Case> cases = {
        {"0", 0},
        {"86", 86},
        {"   86", 86},
        {"+86", 86},
        {"-1", -1},
        {"  -0", 0},
        {"000000000000000000086", 86},
        {"65622", 65622},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        // Hexadecimal after each prefix, digits in either case.
        {"$56", 86},
        {"x56", 86},
        {"X56", 86},
        {"0x56", 86},
        {"0X56", 86},
        {"$fF", 255},
        {" +0x10", 16},
        {"-$10", -16},
        {"$7FFFFFFF", INT32_MAX},
        {"$80000000", INT32_MIN},
        {"$FFFFFFFF", -1},
        {"-$FFFFFFFF", 1},
        {"-0x80000000", INT32_MIN},
        {"$0000000000000001", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRegInteger(c.text), std::optional<std::int32_t>(c.value)) << c.text;
    }
}

TEST(ParseRegInteger, RejectedTexts) {
    const std::vector<std::string> texts = {
        // Nothing to convert.
        "",
        " ",
        "    ",
        "+",
        "-",
        "$",
        "x",
        "0x",
        "-0x",
        "+$",
        // Foreign characters, trailing blanks included.
        "86 ",
        "8 6",
        "\t86",
        "86\t",
        "- 5",
        "$ 5",
        "0 x5",
        "1e3",
        "0b1",
        "12a",
        "$g",
        "0xx5",
        "--5",
        "+-5",
        "-+5",
        "$-5",
        "0x-5",
        "8.6",
        std::string("86\0", 3),
        "\xEF\xBC\x98\xEF\xBC\x96",  // fullwidth digits
        // Past the range: decimal int32 max+1, min-1, huge; hexadecimal 33 bits.
        "2147483648",
        "-2147483649",
        "4294967295",
        "99999999999999999999999999",
        "$100000000",
        "-$100000000",
        "0xFFFFFFFFFFFFFFFF",
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(ParseRegInteger(text), nullopt) << "'" << text << "'";
    }
}

TEST(ParseRegInteger, ReadsOnlyTheView) {
    const std::string buffer = "12345";
    EXPECT_EQ(ParseRegInteger(std::string_view(buffer.data(), 2)), 12);
    EXPECT_EQ(ParseRegInteger(std::string_view(buffer.data(), 0)), nullopt);
    const std::string hex = "$FF";
    EXPECT_EQ(ParseRegInteger(std::string_view(hex.data(), 1)), nullopt);
}

TEST(LoadHotKeyFromTexts, PairOrDefault) {
    struct Case {
        const char* name;
        std::optional<std::string> shift;
        std::optional<std::string> key;
        HotKey loaded;
    };
    const std::vector<Case> cases = {
        {"both read failed (first run)", nullopt, nullopt, kDefaultHotKey},
        {"Ctrl+Q", "2", "81", {2, 81}},
        {"Shift+Alt+F9", "5", "120", {5, 120}},
        {"zero pair", "0", "0", {0, 0}},
        {"valid shift, key not text", "4", nullopt, kDefaultHotKey},
        {"shift not text, valid key", nullopt, "81", kDefaultHotKey},
        {"empty texts", "", "", kDefaultHotKey},
        {"valid shift, empty key", "2", "", kDefaultHotKey},
        {"trailing blank", "2 ", "81", kDefaultHotKey},
        {"not a number", "2", "Q", kDefaultHotKey},
        {"overflow", "2", "2147483648", kDefaultHotKey},
        {"low 16 bits of the key", "1", "65622", {1, 86}},
        {"low 16 bits of a negative", "-1", "-65536", {65535, 0}},
        {"hexadecimal texts", "$10002", "0x51", {2, 81}},
        {"leading blanks", "  2", "  81", {2, 81}},
        // The key the paste-back types to mask Alt's release, however it is written.
        {"Alt + the mask key", "1", "232", kDefaultHotKey},
        {"the mask key in the low 16 bits", "2", "65768", kDefaultHotKey},
        {"the mask key in hexadecimal", "0", "$E8", kDefaultHotKey},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadHotKeyFromTexts(c.shift, c.key), c.loaded) << c.name;
    }
}

TEST(HotKeyValueText, PlainDecimal) {
    const std::vector<std::pair<std::uint16_t, std::string>> cases = {
        {0, "0"}, {1, "1"}, {10, "10"}, {86, "86"}, {100, "100"}, {65535, "65535"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(HotKeyValueText(value), text);
}

TEST(HotKeyValueText, EveryValueLoadsBackUnchanged) {
    for (std::uint32_t v = 0; v <= 0xFFFF; ++v) {
        const auto value = static_cast<std::uint16_t>(v);
        const std::string text = HotKeyValueText(value);
        const HotKey loaded = value == 0xE8 ? kDefaultHotKey : HotKey{value, value};
        ASSERT_EQ(LoadHotKeyFromTexts(text, text), loaded) << text;
    }
}

// What the settings dialog's hotkey control shows for each HotKeyShift the dialog writes.
TEST(HotKeyShiftRows, BothDirections) {
    const std::uint8_t shift = 0x01, ctrl = 0x02, alt = 0x04;
    const std::uint8_t expected_control[8] = {
        0,
        alt,
        ctrl,
        static_cast<std::uint8_t>(ctrl | alt),
        shift,
        static_cast<std::uint8_t>(shift | alt),
        static_cast<std::uint8_t>(shift | ctrl),
        static_cast<std::uint8_t>(shift | ctrl | alt),
    };
    for (std::uint16_t mod = 0; mod < 8; ++mod) {
        EXPECT_EQ(HotKeyControlFromMod(mod), expected_control[mod]) << mod;
        EXPECT_EQ(ModFromHotKeyControl(expected_control[mod]), mod) << mod;
    }
}

TEST(HotKeyShiftRows, FlagsWithoutACounterpart) {
    struct ControlCase {
        std::uint8_t control_flags;
        std::uint16_t mod;
    };
    const std::vector<ControlCase> from_control = {
        {0x08, 0},  // extended key dropped
        {0x0D, 5},  // Shift+Alt on an extended key
        {0x0F, 7}, {0xF0, 0}, {0xFF, 7},
    };
    for (const auto& c : from_control) {
        EXPECT_EQ(ModFromHotKeyControl(c.control_flags), c.mod) << int(c.control_flags);
    }
    struct ModCase {
        std::uint16_t mod;
        std::uint8_t control_flags;
    };
    const std::vector<ModCase> from_mod = {
        {0x0008, 0},     // MOD_WIN
        {0x4000, 0},     // MOD_NOREPEAT
        {0x4009, 0x04},  // Alt among them
        {0xFFFF, 0x07},
    };
    for (const auto& c : from_mod) {
        EXPECT_EQ(HotKeyControlFromMod(c.mod), c.control_flags) << c.mod;
    }
}

TEST(HotKeyControlValue, KeyLowFlagsHigh) {
    struct Case {
        HotKey hotkey;
        std::uint16_t control_value;
    };
    const std::vector<Case> cases = {
        {{1, 86}, 0x0456},                                   // Alt+V
        {{2, 81}, 0x0251},                                   // Ctrl+Q
        {{5, 120}, 0x0578},                                  // Shift+Alt+F9
        {{0, 120}, 0x0078},                                  // F9 alone
        {{7, 255}, 0x07FF}, {{0, 0}, 0}, {{8, 86}, 0x0056},  // MOD_WIN cannot be shown
        {{1, 256}, 0},  // key code past one byte: empty control
        {{7, 65535}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HotKeyControlValue(c.hotkey), c.control_value)
            << c.hotkey.modifiers << "/" << c.hotkey.key;
    }
}

TEST(HotKeyFromControlValue, KeyAndModifiers) {
    struct Case {
        std::uint16_t control_value;
        HotKey hotkey;
    };
    const std::vector<Case> cases = {
        {0x0000, {0, 0}},                                           // empty control
        {0x0456, {1, 86}},  {0x0251, {2, 81}}, {0x0D78, {5, 120}},  // extended flag dropped
        {0x0078, {0, 120}}, {0xFF41, {7, 65}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HotKeyFromControlValue(c.control_value), c.hotkey) << c.control_value;
    }
    for (std::uint16_t mod = 0; mod < 8; ++mod) {
        for (std::uint16_t key = 0; key <= 255; ++key) {
            const HotKey hotkey{mod, key};
            ASSERT_EQ(HotKeyFromControlValue(HotKeyControlValue(hotkey)), hotkey);
        }
    }
}

TEST(HotKeyMessageMatches, OnlyTheCurrentCombination) {
    struct Case {
        const char* name;
        std::uint32_t lparam;
        HotKey current;
        bool matches;
    };
    const std::vector<Case> cases = {
        {"Alt+V", 86u << 16 | 1, {1, 86}, true},
        {"Ctrl+Q", 81u << 16 | 2, {2, 81}, true},
        {"current key, other modifiers", 86u << 16 | 2, {1, 86}, false},
        {"current modifiers, other key", 81u << 16 | 1, {1, 86}, false},
        {"earlier combination still posted", 86u << 16 | 1, {2, 81}, false},
        {"modifiers and key swapped", 1u << 16 | 86, {1, 86}, false},
        {"all bits", 0xFFFFFFFF, {0xFFFF, 0xFFFF}, true},
        {"extra modifier bit", 86u << 16 | 0x4001, {1, 86}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HotKeyMessageMatches(c.lparam, c.current), c.matches) << c.name;
    }
}

}  // namespace
}  // namespace nimbara
