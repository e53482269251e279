// What a tile shows for a snapshot, including snapshots whose bytes come from a
// hostile or careless program.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "history/file_list.h"
#include "history/preview.h"

namespace nimbara {
namespace {

ClipFormatRecord Record(UINT format, std::vector<std::uint8_t> bytes,
                        ClipEncoding encoding = ClipEncoding::kGlobal) {
    ClipFormatRecord r;
    r.format = static_cast<std::uint16_t>(format);
    r.encoding = encoding;
    r.data = ByteBuffer::CopyOf(bytes);
    return r;
}

std::vector<std::uint8_t> Ansi(const std::string& s, bool nul = true) {
    std::vector<std::uint8_t> v(s.begin(), s.end());
    if (nul) v.push_back(0);
    return v;
}

template <typename... Records>
ClipSlot Slot(Records&&... records) {
    ClipSlot slot;
    (slot.push_back(std::forward<Records>(records)), ...);
    return slot;
}

std::vector<std::uint8_t> Bitmap32(int w, int h) {
    BITMAPINFOHEADER header{sizeof(header), w, h, 1, 32, BI_RGB};
    std::vector<std::uint8_t> v(sizeof(header) + std::size_t(w) * h * 4, 0x80);
    std::memcpy(v.data(), &header, sizeof(header));
    return v;
}

TEST(PreviewTest, TextIsCutAtOneHundredBytesOfTheCodePage) {
    // "a" and 50 Chinese characters: byte 100 is the lead byte of the 50th one.
    std::string text = "a";
    const std::wstring han(50, L'\x4E2D');  // 中
    char buf[256];
    const int n = ::WideCharToMultiByte(936, 0, han.c_str(), 50, buf, sizeof buf, nullptr, nullptr);
    ASSERT_EQ(n, 100);
    text.append(buf, n);
    const Preview p = BuildPreview(Slot(Record(CF_TEXT, Ansi(text))));
    ASSERT_GE(p.text.size(), 50u);
    EXPECT_EQ(p.text.substr(0, 50), L"a" + std::wstring(49, L'\x4E2D'));
    // The 50th character is cut in half: what is left of it is not the character.
    EXPECT_EQ(p.text.size(), 51u);
    EXPECT_NE(p.text.back(), L'\x4E2D');
}

TEST(PreviewTest, TextWithoutTerminatorIsReadOnlyWithinItsBlock) {
    const Preview p = BuildPreview(Slot(Record(CF_TEXT, Ansi("abc", false))));
    EXPECT_EQ(p.text, L"abc");
}

TEST(PreviewTest, UnicodeTextAloneShowsAsText) {
    const std::wstring wide = L"Unicode 文本";
    std::vector<std::uint8_t> bytes(
        reinterpret_cast<const std::uint8_t*>(wide.c_str()),
        reinterpret_cast<const std::uint8_t*>(wide.c_str() + wide.size() + 1));
    const Preview p = BuildPreview(Slot(Record(CF_UNICODETEXT, bytes)));
    EXPECT_EQ(p.text, wide);
}

TEST(PreviewTest, TextWinsOverAPicture) {
    const Preview p = BuildPreview(Slot(Record(CF_BITMAP, Bitmap32(4, 4), ClipEncoding::kBitmap),
                                        Record(CF_TEXT, Ansi("caption"))));
    EXPECT_EQ(p.text, L"caption");
    EXPECT_FALSE(p.picture);
}

TEST(PreviewTest, PictureShowsWithNoText) {
    const Preview p = BuildPreview(Slot(Record(CF_BITMAP, Bitmap32(9, 3), ClipEncoding::kBitmap)));
    EXPECT_TRUE(p.text.empty());
    ASSERT_TRUE(p.picture.bitmap);
}

TEST(PreviewTest, TwoFilesAreNamedOneAfterTheOther) {
    const Preview p = BuildPreview(Slot(
        Record(CF_HDROP, BuildDropFiles(std::vector<std::u16string>{u"C:\\a.txt", u"C:\\b.txt"}))));
    EXPECT_EQ(p.text, L"(文件或文件夹) C:\\a.txtC:\\b.txt");
}

TEST(PreviewTest, MalformedFileListsShowWhatLiesInsideTheBlock) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> block;
        std::wstring text;
    };
    std::vector<std::uint8_t> outside = BuildDropFiles(std::vector<std::string>{"C:\\x"});
    outside[0] = 0xF0;  // names said to start far behind the block
    outside[1] = 0xFF;
    std::vector<std::uint8_t> unterminated = BuildDropFiles(std::vector<std::string>{"C:\\y"});
    unterminated.resize(20 + 4);  // "C:\y" and no NUL at all
    const Case cases[] = {
        {"empty", {}, L"(文件或文件夹) "},
        {"header cut short", std::vector<std::uint8_t>(7, 0), L"(文件或文件夹) "},
        {"offset outside", outside, L"(文件或文件夹) "},
        {"unterminated", unterminated, L"(文件或文件夹) C:\\y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildPreview(Slot(Record(CF_HDROP, c.block))).text, c.text) << c.name;
}

TEST(PreviewTest, FormatsItCannotShowAreListedByNumber) {
    const Preview p = BuildPreview(Slot(Record(CF_RIFF, {1}), Record(CF_WAVE, {2})));
    EXPECT_EQ(p.text, L"(无法预览[11,12,])");
}

}  // namespace
}  // namespace nimbara
