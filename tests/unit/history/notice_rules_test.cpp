// The notices' rules: what a change notice does, when the sequence number shows a change, and
// which session and power events are followed by a look for a change no notice told of.
#include "history/notice_rules.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace nimbara {
namespace {

TEST(NoticeRules, ANoticeCapturesWhileWatchingAndUnderPasteGuardOnlyMarksItsContentSeen) {
    const struct {
        bool watching, paste_guard;
        NoticeEffect effect;
    } cases[] = {{false, false, NoticeEffect::kNone},
                 {false, true, NoticeEffect::kNone},
                 {true, false, NoticeEffect::kCapture},
                 {true, true, NoticeEffect::kTakeAsSeen}};
    for (const auto& c : cases)
        EXPECT_EQ(OnClipboardNotice(c.watching, c.paste_guard), c.effect)
            << c.watching << c.paste_guard;
}

TEST(NoticeRules, OnlyANumberOtherThanTheOneSeenIsAChange) {
    const struct {
        std::uint32_t current, seen;
        bool changed;
    } cases[] = {{0, 0, false},         {0, 5, false}, {5, 0, true},
                 {5, 5, false},         {6, 5, true},  {4, 5, true} /* wrapped or reset */,
                 {0xFFFFFFFFu, 0, true}};
    for (const auto& c : cases)
        EXPECT_EQ(ChangedSinceSeen(c.current, c.seen), c.changed) << c.current << " " << c.seen;
}

TEST(NoticeRules, TheSessionBackWithItsUserAndAResumeAreLookedAtNothingElse) {
    // WTS_*: 1 console connect, 2 console disconnect, 3 remote connect, 4 remote disconnect,
    // 5 logon, 6 logoff, 7 lock, 8 unlock, 9 remote control. PBT_*: 4 suspend, 7 resume
    // suspend, 10 power status change, 0x12 resume automatic, 0x8013 power setting change.
    const std::uint32_t session_looked[] = {1, 3, 8};
    const std::uint32_t session_not[] = {0, 2, 4, 5, 6, 7, 9, 10, 11, 0xFFFFFFFFu};
    const std::uint32_t power_looked[] = {7, 0x12};
    const std::uint32_t power_not[] = {0, 4, 6, 10, 0x8013, 0xFFFFFFFFu};
    for (const std::uint32_t e : session_looked) EXPECT_TRUE(SessionEventMayHideChanges(e)) << e;
    for (const std::uint32_t e : session_not) EXPECT_FALSE(SessionEventMayHideChanges(e)) << e;
    for (const std::uint32_t e : power_looked) EXPECT_TRUE(PowerEventMayHideChanges(e)) << e;
    for (const std::uint32_t e : power_not) EXPECT_FALSE(PowerEventMayHideChanges(e)) << e;
}

}  // namespace
}  // namespace nimbara
