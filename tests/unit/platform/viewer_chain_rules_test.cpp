#include "platform/viewer_chain_rules.h"

#include <gtest/gtest.h>

namespace nimbara {
namespace {

TEST(OnChainChange, TheNextViewerLeavingIsReplacedAnyOtherIsPassedOnAndALoopIsRefused) {
    int windows[4];
    const void *member = &windows[0], *next = &windows[1], *other = &windows[2],
               *beyond = &windows[3];
    const struct {
        const char* name;
        const void *member, *next, *leaving, *follower;
        ChainChange change;
    } cases[] = {
        {"next leaves", member, next, next, beyond, ChainChange::kTakeFollower},
        {"next, the last, leaves", member, next, next, nullptr, ChainChange::kTakeFollower},
        {"another leaves", member, next, other, beyond, ChainChange::kPassOn},
        {"another leaves, no next", member, nullptr, other, beyond, ChainChange::kPassOn},
        {"not a member", nullptr, nullptr, next, beyond, ChainChange::kIgnore},
        {"the member made to follow itself", member, next, next, member, ChainChange::kIgnore},
        {"another followed by the member", member, next, other, member, ChainChange::kIgnore},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OnChainChange(c.member, c.next, c.leaving, c.follower), c.change) << c.name;
}

}  // namespace
}  // namespace nimbara
