// A viewer-chain membership: however the capture ends, its window leaves the chain once,
// by whichever owner holds the membership last.
#include "platform/viewer_chain.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "hidden_window.h"

namespace nimbara {
namespace {

using testing::HiddenWindow;

TEST(ViewerChainTest, TheMembershipIsLeftWhenItsLastOwnerGoes) {
    const UniqueHwnd window = HiddenWindow();
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
