// The environment the Win32 tests run in: a window of the test's own can open, fill and read
// the clipboard of the Wine desktop.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct HiddenWindow {
    HiddenWindow() {
        hwnd = CreateWindowExW(0, L"STATIC", L"wine clipboard test", WS_POPUP, 0, 0, 1, 1, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~HiddenWindow() {
        if (hwnd) DestroyWindow(hwnd);
    }
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    HWND hwnd = nullptr;
};

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
    HiddenWindow window;
    ASSERT_NE(window.hwnd, nullptr);
    ASSERT_TRUE(OpenClipboard(window.hwnd));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_TRUE(PutText(L"剪贴板 clipboard"));
    EXPECT_TRUE(CloseClipboard());

    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    ASSERT_TRUE(OpenClipboard(window.hwnd));
    EXPECT_EQ(ReadText(), L"剪贴板 clipboard");
    EXPECT_EQ(GetClipboardOwner(), window.hwnd);
    EXPECT_TRUE(CloseClipboard());
}

TEST(WineClipboard, SecondOpenerIsRefusedWhileOpen) {
    HiddenWindow first, second;
    ASSERT_TRUE(OpenClipboard(first.hwnd));
    EXPECT_FALSE(OpenClipboard(second.hwnd));
    EXPECT_TRUE(CloseClipboard());
    EXPECT_TRUE(OpenClipboard(second.hwnd));
    EXPECT_TRUE(CloseClipboard());
}

TEST(WineEnvironment, AnsiCodePageIsChinese) { EXPECT_EQ(GetACP(), 936u); }

}  // namespace
