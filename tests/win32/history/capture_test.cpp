// The capture and the paste-back against the real clipboard, where other programs
// interfere: notices that bring no change, a clipboard emptied or held under a capture,
// and messages handled while a restore waits.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "fake_clipboard.h"
#include "history/clip_watcher.h"
#include "history/paste_back.h"
#include "platform/clip_objects.h"
#include "platform/handles.h"
#include "platform/layout.h"
#include "platform/viewer_chain.h"

namespace nimbara {
namespace {

class NoInput : public InputApi {
public:
    HWND Foreground() override { return nullptr; }
    bool IsPasteTarget(HWND) override { return false; }
    bool KeyIsDown(BYTE) override { return false; }
    bool RequestForeground(HWND) override { return false; }
    bool HasTakenForeground(HWND) override { return true; }
    UINT ScanCodeOf(UINT) override { return 0; }
    void KeyEvent(BYTE, BYTE, DWORD) override {}
    void WaitBriefly(DWORD) override {}
};

UniqueHwnd Popup() {
    return UniqueHwnd(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), nullptr));
}

void PutText(HWND owner, const std::string& text) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    UniqueHGlobal block =
        MakeGlobalBlock({reinterpret_cast<const std::uint8_t*>(text.c_str()), text.size() + 1});
    if (::SetClipboardData(CF_TEXT, block.get())) (void)block.release();
    ::CloseClipboard();
}

std::string ClipboardText(HWND owner) {
    std::string text;
    if (!::OpenClipboard(owner)) return text;
    if (HANDLE h = ::GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(::GlobalLock(h))) {
            text = p;
            ::GlobalUnlock(h);
        }
    }
    ::CloseClipboard();
    return text;
}

class CaptureTest : public ::testing::Test {
protected:
    UniqueHwnd main_ = Popup();
    UniqueHwnd grid_ = Popup();
    UniqueHFont font_ = CreateSongTiFont();
    testing::FakeClipboard clipboard_;
    ClipStore store_{clipboard_, main_.get(), [] {}};
    SlotRing ring_;
    SlotTiles tiles_{grid_.get(), LayoutScale{}, font_.get(), [](int) {}};
    ClipWatcher watcher_{main_.get(), store_, ring_, tiles_};
    NoInput input_;
    PasteBack paste_{main_.get(), store_, ring_, tiles_, watcher_, input_};
};

TEST_F(CaptureTest, OnlyARealChangeIsCapturedTheSameTextCopiedAgainIncluded) {
    PutText(main_.get(), "copied");
    watcher_.Timer1Timer();
    ASSERT_EQ(ring_.NextSlot(), 2);
    // The program's own write, then a notice without a change.
    ASSERT_GT(store_.Restore(*ring_.Get(1)), 0);
    watcher_.Timer1Timer();
    watcher_.Timer1Timer();
    EXPECT_EQ(ring_.NextSlot(), 2);
    PutText(main_.get(), "copied");
    watcher_.Timer1Timer();
    EXPECT_EQ(ring_.NextSlot(), 3);
}

TEST_F(CaptureTest, AClipboardEmptiedAfterItsCountFillsNoSlot) {
    PutText(main_.get(), "");
    ASSERT_TRUE(::OpenClipboard(main_.get()));
    ::EmptyClipboard();
    ::CloseClipboard();
    clipboard_.count_override = 1;
    watcher_.Timer1Timer();
    EXPECT_EQ(ring_.NextSlot(), 1);
    EXPECT_FALSE(ring_.IsFilled(1));
}

TEST_F(CaptureTest, WhatArrivesDuringARestoreNeitherFreesItsSlotNorCutsIntoIt) {
    auto capture = [this](const char* text) {
        PutText(main_.get(), text);
        watcher_.Timer1Timer();
    };
    // Handled while the clipboard is being emptied: a Clear all frees every slot.
    capture("first");
    clipboard_.on_empty = [this] { tiles_.ClearAll(ring_); };
    paste_.LText1Click(1);
    EXPECT_EQ(ClipboardText(main_.get()), "first");
    EXPECT_FALSE(ring_.IsFilled(1));

    // A second paste comes after the first has written everything, not into it.
    capture("first again");
    capture("second");
    clipboard_.on_empty = [this] { paste_.LText1Click(2); };
    paste_.LText1Click(1);
    EXPECT_EQ(ClipboardText(main_.get()), "second");
}

TEST_F(CaptureTest, AFailedRestoreClearsPasteGuardOnlyWhenNoEarlierPasteIsGuarded) {
    PutText(main_.get(), "pasted");
    watcher_.Timer1Timer();
    for (const bool earlier_paste : {false, true}) {
        paste_.Timer2Timer();
        clipboard_.fail_open = false;
        if (earlier_paste) paste_.LText1Click(1);
        clipboard_.fail_open = true;
        EXPECT_THROW(paste_.LText1Click(1), ClipboardBusyError);
        EXPECT_EQ(watcher_.paste_guard(), earlier_paste) << earlier_paste;
    }
}

TEST_F(CaptureTest, OnlyARestoreThatWroteSomethingMarksItsTilePasted) {
    const struct {
        const char* name;
        ClipEncoding encoding;
        std::uint32_t color;
    } cases[] = {{"written back", ClipEncoding::kGlobal, kPastedColor},
                 {"nothing restorable", ClipEncoding::kUnrestorable, kIdleColor}};
    for (const auto& c : cases) {
        tiles_.ClearAll(ring_);
        static constexpr std::uint8_t kText[] = {'x', 0};
        ClipSlot slot(1);
        slot[0] = {CF_TEXT, c.encoding, ByteBuffer::CopyOf(kText)};
        ring_.Store(1, std::move(slot));
        paste_.LText1Click(1);
        EXPECT_EQ(tiles_.ColorOf(1), c.color) << c.name;
    }
}

// However the capture ends, its window leaves the viewer chain once, by whichever owner
// holds the membership last.
TEST(ViewerChainTest, TheMembershipIsLeftWhenItsLastOwnerGoes) {
    const UniqueHwnd window = Popup();
    {
        ViewerChainMembership last;
        {
            ViewerChainMembership first;
            first.Join(window.get());
            ASSERT_EQ(::GetClipboardViewer(), window.get());
            last = std::move(first);
        }
        EXPECT_EQ(::GetClipboardViewer(), window.get()) << "left by the owner moved from";
    }
    EXPECT_NE(::GetClipboardViewer(), window.get());
}

}  // namespace
}  // namespace nimbara
