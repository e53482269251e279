// The environment the Win32 tests run in: a window of the test's own can open, fill and read
// the clipboard of the Wine desktop.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hidden_window.h"

namespace {

using nimbara::testing::HiddenWindow;

bool PutText(const std::wstring& text) {
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) return false;
    std::memcpy(GlobalLock(block), text.c_str(), bytes);
    GlobalUnlock(block);
    if (SetClipboardData(CF_UNICODETEXT, block)) return true;
    GlobalFree(block);
    return false;
}

std::wstring ReadText() {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return L"<none>";
    const auto* p = static_cast<const wchar_t*>(GlobalLock(data));
    std::wstring text = p ? p : L"<unlocked>";
    GlobalUnlock(data);
    return text;
}

TEST(WineClipboard, OpensForOwnWindowAndRoundTripsText) {
    const nimbara::UniqueHwnd window = HiddenWindow();
    ASSERT_NE(window.get(), nullptr);
    ASSERT_TRUE(OpenClipboard(window.get()));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_TRUE(PutText(L"剪贴板 clipboard"));
    EXPECT_TRUE(CloseClipboard());

    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    ASSERT_TRUE(OpenClipboard(window.get()));
    EXPECT_EQ(ReadText(), L"剪贴板 clipboard");
    EXPECT_EQ(GetClipboardOwner(), window.get());
    EXPECT_TRUE(CloseClipboard());
}

TEST(WineClipboard, SecondOpenerIsRefusedWhileOpen) {
    const nimbara::UniqueHwnd first = HiddenWindow(), second = HiddenWindow();
    ASSERT_TRUE(OpenClipboard(first.get()));
    EXPECT_FALSE(OpenClipboard(second.get()));
    EXPECT_TRUE(CloseClipboard());
    EXPECT_TRUE(OpenClipboard(second.get()));
    EXPECT_TRUE(CloseClipboard());
}

TEST(WineEnvironment, AnsiCodePageIsChinese) { EXPECT_EQ(GetACP(), 936u); }

}  // namespace
