// What a member of the clipboard viewer chain does when told that a window leaves it.
#pragma once

namespace nimbara {

enum class ChainChange {
    kIgnore,        // not a member, or a notice that would make the member follow itself
    kTakeFollower,  // the next viewer leaves: the one that followed it is the next now
    kPassOn,        // another window leaves: the next viewer is told
};

// WM_CHANGECBCHAIN: window `leaving` leaves the chain and `follower` followed it. `member`
// is the window in the chain (nullptr when none) and `next` the viewer after it. Windows are
// compared as handles only.
[[nodiscard]] ChainChange OnChainChange(const void* member, const void* next, const void* leaving,
                                        const void* follower) noexcept;

}  // namespace nimbara
