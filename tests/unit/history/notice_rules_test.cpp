// The notices' rules: what a notice does, and which events call for a look for a missed change.
#include "history/notice_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace nimbara {
namespace {

TEST(NoticeRules, NoticesCaptureWhileWatchingAndNewNumbersOrTheSessionBackOrAResumeAreLooked) {
    using E = NoticeEffect;
    EXPECT_EQ(OnClipboardNotice(false, false), E::kNone);
    EXPECT_EQ(OnClipboardNotice(false, true), E::kNone);
    EXPECT_EQ(OnClipboardNotice(true, false), E::kCapture);
    EXPECT_EQ(OnClipboardNotice(true, true), E::kTakeAsSeen);
    // (current, seen): a number of 0 tells nothing; any other than the one seen is new.
    const std::uint32_t changed[][2] = {{5, 0}, {6, 5}, {4, 5}, {0xFFFFFFFFu, 0}};
    const std::uint32_t unchanged[][2] = {{0, 0}, {0, 5}, {5, 5}};
    for (const auto& [current, seen] : changed) EXPECT_TRUE(ChangedSinceSeen(current, seen));
    for (const auto& [current, seen] : unchanged) EXPECT_FALSE(ChangedSinceSeen(current, seen));
    // WTS_*: 1 console connect, 3 remote connect, 8 unlock; PBT_*: 7 and 0x12 the resumes.
    for (std::uint32_t e = 0; e < 0x20; ++e) {
        EXPECT_EQ(SessionEventMayHideChanges(e), e == 1 || e == 3 || e == 8) << e;
        EXPECT_EQ(PowerEventMayHideChanges(e), e == 7 || e == 0x12) << e;
    }
    EXPECT_FALSE(SessionEventMayHideChanges(0xFFFFFFFFu));
    EXPECT_FALSE(PowerEventMayHideChanges(0x8013));
}

}  // namespace
}  // namespace nimbara
