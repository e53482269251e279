#include "history/preview_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbara {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

TEST(CutPreviewText, CutsAtNulOrHundredBytes) {
    const std::string zhong = "\xD6\xD0";  // "中" in code page 936
    struct Case {
        const char* name;
        std::string block;
        std::string preview;
    };
    const std::vector<Case> cases = {
        {"empty block", "", ""},
        {"NUL first", std::string("\0abc", 4), ""},
        {"short text with NUL", std::string("abc\0def", 7), "abc"},
        {"no NUL: up to the block end", "abc", "abc"},
        {"99 bytes", std::string(99, 'a'), std::string(99, 'a')},
        {"100 bytes", std::string(100, 'a'), std::string(100, 'a')},
        {"101 bytes", std::string(101, 'a'), std::string(100, 'a')},
        {"huge text", std::string(1 << 20, 'a'), std::string(100, 'a')},
        {"NUL after byte 100", std::string(120, 'a') + '\0' + "b", std::string(100, 'a')},
        {"NUL at byte 100", std::string(100, 'a') + '\0', std::string(100, 'a')},
        {"lead byte at byte 100 stays alone", std::string(99, 'a') + zhong,
         std::string(99, 'a') + "\xD6"},
        {"double-byte character ending at byte 100", std::string(98, 'a') + zhong + "b",
         std::string(98, 'a') + zhong},
        {"bytes above 0x7F kept as they are", "\x80\xFF\x01", "\x80\xFF\x01"},
    };
    for (const Case& c : cases) {
        const auto block = Bytes(c.block);
        EXPECT_EQ(CutPreviewText(block), c.preview) << c.name;
    }
}

TEST(ChoosePreview, TextThenTheFirstPictureThenFilesThenTheNumbers) {
    using K = PreviewKind;
    // CF_TEXT 1, CF_BITMAP 2, CF_OEMTEXT 7, CF_DIB 8, CF_UNICODETEXT 13,
    // CF_ENHMETAFILE 14, CF_HDROP 15, CF_DSPBITMAP 0x82, a registered format 0xC010.
    const struct {
        std::vector<std::uint16_t> formats;
        PreviewKind kind;
        std::size_t record;
    } cases[] = {
        {{13, 7, 1, 16}, K::kText, 2}, {{7, 13}, K::kText, 1},
        {{15, 2, 7}, K::kText, 2},     {{8, 14, 2, 15}, K::kPicture, 1},
        {{0x82, 8, 15}, K::kFiles, 2}, {{0x82, 0x8E, 8, 0xC010}, K::kFormatNumbers, 0},
        {{}, K::kFormatNumbers, 0},
    };
    for (const auto& c : cases) {
        const PreviewChoice choice = ChoosePreview(c.formats);
        EXPECT_EQ(choice.kind, c.kind) << ::testing::PrintToString(c.formats);
        EXPECT_EQ(choice.record, c.record) << ::testing::PrintToString(c.formats);
    }
}

TEST(UnpreviewableCaption, ListsEveryFormatWithTrailingComma) {
    struct Case {
        std::vector<std::uint16_t> formats;
        std::u16string caption;
    };
    const std::vector<Case> cases = {
        {{11, 12}, u"(无法预览[11,12,])"},
        {{}, u"(无法预览[])"},
        {{0}, u"(无法预览[0,])"},
        {{65535}, u"(无法预览[65535,])"},
        {{49161, 7, 100}, u"(无法预览[49161,7,100,])"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnpreviewableCaption(c.formats), c.caption);
    }
}

TEST(DroppedNames, JoinedWithoutSeparatorAfterCaptionPrefix) {
    const std::u16string prefix = kFilesCaptionPrefix;
    EXPECT_EQ(prefix, u"(文件或文件夹) ");
    EXPECT_EQ(JoinDroppedNames({"C:\\a.txt", "C:\\b.txt"}), "C:\\a.txtC:\\b.txt");
}

TEST(DroppedNames, EachNameCutTo260Bytes) {
    struct Case {
        const char* name;
        std::vector<std::string> names;
        std::string joined;
    };
    const std::string long_name = "C:\\" + std::string(400, 'x');
    const std::vector<Case> cases = {
        {"no names", {}, ""},
        {"empty names add nothing", {"", "a", ""}, "a"},
        {"259 bytes", {std::string(259, 'a')}, std::string(259, 'a')},
        {"260 bytes", {std::string(260, 'a')}, std::string(260, 'a')},
        {"261 bytes", {std::string(261, 'a')}, std::string(260, 'a')},
        {"two long names",
         {long_name, long_name},
         long_name.substr(0, 260) + long_name.substr(0, 260)},
        {"embedded NUL ends the name", {std::string("ab\0cd", 5), "e"}, "abe"},
        {"double-byte name kept as bytes", {"C:\\\xD6\xD0.txt"}, "C:\\\xD6\xD0.txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JoinDroppedNames(c.names), c.joined) << c.name;
    }
}

}  // namespace
}  // namespace nimbara
