#include "platform/viewer_chain_rules.h"

namespace nimbara {

ChainChange OnChainChange(const void* member, const void* next, const void* leaving,
                          const void* follower) noexcept {
    // The member following itself would pass every notice to itself without end. The
    // system never says so; a stray or hostile message can.
    if (!member || follower == member) return ChainChange::kIgnore;
    return leaving == next ? ChainChange::kTakeFollower : ChainChange::kPassOn;
}

}  // namespace nimbara
