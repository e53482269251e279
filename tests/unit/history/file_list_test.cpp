#include "history/file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nimbara {
namespace {

using Block = std::vector<std::uint8_t>;

void Put32(Block& block, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        block.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// A DROPFILES header as another program might write it, followed by raw name bytes.
Block HandMade(std::uint32_t files_at, std::uint32_t wide, const std::string& tail,
               std::uint32_t pt_x = 0, std::uint32_t fnc = 0) {
    Block block;
    Put32(block, files_at);
    Put32(block, pt_x);
    Put32(block, 0);
    Put32(block, fnc);
    Put32(block, wide);
    block.insert(block.end(), tail.begin(), tail.end());
    return block;
}

// UTF-16LE bytes of a text with NULs written as u'\0'.
std::string Le(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

TEST(BuildDropFiles, AnsiLayout) {
    const Block block = BuildDropFiles(std::vector<std::string>{"C:\\a.txt", "C:\\b.txt"});
    const Block expected = HandMade(20, 0, std::string("C:\\a.txt\0C:\\b.txt\0\0", 19));
    EXPECT_EQ(block, expected);
}

TEST(BuildDropFiles, WideLayout) {
    const Block block = BuildDropFiles(std::vector<std::u16string>{u"C:\\中.txt", u"D:"});
    const Block expected = HandMade(20, 1, Le(std::u16string(u"C:\\中.txt\0D:\0\0", 13)));
    EXPECT_EQ(block, expected);
}

TEST(BuildDropFiles, EmptyAndNulNamesCannotBreakTheList) {
    const Block ansi = BuildDropFiles(std::vector<std::string>{"a", "", std::string("b\0c", 3)});
    EXPECT_EQ(ansi, HandMade(20, 0, std::string("a\0b\0\0", 5)));
    const Block wide = BuildDropFiles(std::vector<std::u16string>{u"", u"x"});
    EXPECT_EQ(wide, HandMade(20, 1, Le(std::u16string(u"x\0\0", 3))));
    EXPECT_EQ(BuildDropFiles(std::vector<std::string>{}), HandMade(20, 0, std::string(1, '\0')));
}

TEST(ReadDropFiles, ReadsWhatBuildWrote) {
    const std::vector<std::string> ansi = {"C:\\a.txt", "C:\\\xD6\xD0 dir\\b",
                                           std::string(300, 'z')};
    const DropFileList from_ansi = ReadDropFiles(BuildDropFiles(ansi));
    EXPECT_FALSE(from_ansi.wide);
    EXPECT_FALSE(from_ansi.malformed);
    EXPECT_EQ(from_ansi.ansi_names, ansi);
    EXPECT_TRUE(from_ansi.wide_names.empty());

    const std::vector<std::u16string> wide = {u"C:\\a.txt", u"C:\\文件夹\\😀.png"};
    const DropFileList from_wide = ReadDropFiles(BuildDropFiles(wide));
    EXPECT_TRUE(from_wide.wide);
    EXPECT_FALSE(from_wide.malformed);
    EXPECT_EQ(from_wide.wide_names, wide);
    EXPECT_TRUE(from_wide.ansi_names.empty());
}

struct AnsiCase {
    const char* name;
    Block block;
    std::vector<std::string> names;
    bool malformed;
};

TEST(ReadDropFiles, AnsiBlocksFromOtherPrograms) {
    const std::vector<AnsiCase> cases = {
        {"empty block", {}, {}, true},
        {"header cut short", Block(19, 0), {}, true},
        {"header only, offset at its end", HandMade(20, 0, ""), {}, true},
        {"offset 0 points into the header", HandMade(0, 0, std::string("a\0\0", 3)), {}, true},
        {"offset 19 points into the header", HandMade(19, 0, std::string("a\0\0", 3)), {}, true},
        {"offset at the block end", HandMade(23, 0, std::string("a\0\0", 3)), {}, true},
        {"offset past the block", HandMade(24, 0, std::string("a\0\0", 3)), {}, true},
        {"huge offset", HandMade(0xFFFFFFFF, 0, std::string("a\0\0", 3)), {}, true},
        {"empty list", HandMade(20, 0, std::string(1, '\0')), {}, false},
        {"final empty name missing", HandMade(20, 0, std::string("a\0b\0", 4)), {"a", "b"}, false},
        {"last name without NUL", HandMade(20, 0, std::string("a\0bc", 4)), {"a", "bc"}, true},
        {"one name without NUL", HandMade(20, 0, "abc"), {"abc"}, true},
        {"names after the end are not read",
         HandMade(20, 0, std::string("a\0\0b\0\0", 6)),
         {"a"},
         false},
        {"gap before the names", HandMade(24, 0, std::string("junka\0\0", 7)), {"a"}, false},
        {"last byte as the offset", HandMade(22, 0, std::string("xx\0", 3)), {}, false},
        {"point and fNC ignored",
         HandMade(20, 0, std::string("a\0\0", 3), 0xFFFFFFFF, 1),
         {"a"},
         false},
    };
    for (const AnsiCase& c : cases) {
        const DropFileList list = ReadDropFiles(c.block);
        EXPECT_FALSE(list.wide) << c.name;
        EXPECT_EQ(list.ansi_names, c.names) << c.name;
        EXPECT_TRUE(list.wide_names.empty()) << c.name;
        EXPECT_EQ(list.malformed, c.malformed) << c.name;
    }
}

struct WideCase {
    const char* name;
    Block block;
    std::vector<std::u16string> names;
    bool malformed;
};

TEST(ReadDropFiles, WideBlocksFromOtherPrograms) {
    const std::vector<WideCase> cases = {
        {"two names", HandMade(20, 1, Le(std::u16string(u"a\0bc\0\0", 6))), {u"a", u"bc"}, false},
        {"any nonzero fWide is wide",
         HandMade(20, 0x100, Le(std::u16string(u"a\0\0", 3))),
         {u"a"},
         false},
        {"empty list", HandMade(20, 1, Le(std::u16string(1, u'\0'))), {}, false},
        {"final empty name missing", HandMade(20, 1, Le(std::u16string(u"a\0", 2))), {u"a"}, false},
        {"last name without NUL", HandMade(20, 1, Le(u"ab")), {u"ab"}, true},
        {"odd byte after a name without NUL", HandMade(20, 1, Le(u"ab") + "c"), {u"ab"}, true},
        {"odd byte after the end",
         HandMade(20, 1, Le(std::u16string(u"a\0", 2)) + "c"),
         {u"a"},
         false},
        {"only an odd byte", HandMade(20, 1, "c"), {}, false},
        {"NUL split across units is no NUL",
         HandMade(20, 1, std::string("a\0\0b", 4)),
         {u"a\u6200"},
         true},
        {"names at an odd offset",
         HandMade(21, 1, "j" + Le(std::u16string(u"x\0\0", 3))),
         {u"x"},
         false},
        {"header cut short", Block(19, 1), {}, true},
        {"offset past the block", HandMade(40, 1, Le(std::u16string(u"a\0\0", 3))), {}, true},
    };
    for (const WideCase& c : cases) {
        const DropFileList list = ReadDropFiles(c.block);
        EXPECT_EQ(list.wide_names, c.names) << c.name;
        EXPECT_TRUE(list.ansi_names.empty()) << c.name;
        EXPECT_EQ(list.malformed, c.malformed) << c.name;
    }
}

TEST(ReadDropFiles, HugeBlocksStayBounded) {
    // A megabyte of one-letter names: one name per two bytes, no more.
    std::string many;
    for (int i = 0; i < (1 << 19); ++i) many += std::string("a\0", 2);
    const DropFileList list = ReadDropFiles(HandMade(20, 0, many));
    EXPECT_EQ(list.ansi_names.size(), std::size_t{1} << 19);
    EXPECT_FALSE(list.malformed);

    // One name of a megabyte without an end.
    const DropFileList endless = ReadDropFiles(HandMade(20, 1, std::string(1 << 20, 'x')));
    ASSERT_EQ(endless.wide_names.size(), 1u);
    EXPECT_EQ(endless.wide_names[0].size(), std::size_t{1} << 19);
    EXPECT_TRUE(endless.malformed);
}

}  // namespace
}  // namespace nimbara
