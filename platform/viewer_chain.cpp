#include "platform/viewer_chain.h"

#include <utility>

#include "platform/viewer_chain_rules.h"

namespace nimbara {

ViewerChainMembership::ViewerChainMembership(ViewerChainMembership&& other) noexcept
    : window_(std::exchange(other.window_, nullptr)), next_(std::exchange(other.next_, nullptr)) {}

ViewerChainMembership& ViewerChainMembership::operator=(ViewerChainMembership&& other) noexcept {
    if (this != &other) {
        Leave();
        window_ = std::exchange(other.window_, nullptr);
        next_ = std::exchange(other.next_, nullptr);
    }
    return *this;
}

void ViewerChainMembership::Join(HWND window) noexcept {
    Leave();
    window_ = window;
    next_ = ::SetClipboardViewer(window);
}

void ViewerChainMembership::Leave() noexcept {
    if (!window_) return;
    ::ChangeClipboardChain(std::exchange(window_, nullptr), std::exchange(next_, nullptr));
}

void ViewerChainMembership::PassOn(UINT msg, WPARAM wp, LPARAM lp) const noexcept {
    if (next_) ::SendNotifyMessageW(next_, msg, wp, lp);
}

void ViewerChainMembership::ChainChanged(WPARAM wp, LPARAM lp) noexcept {
    const auto leaving = reinterpret_cast<HWND>(wp), follower = reinterpret_cast<HWND>(lp);
    switch (OnChainChange(window_, next_, leaving, follower)) {
        case ChainChange::kIgnore:
            break;
        case ChainChange::kTakeFollower:
            next_ = follower;
            break;
        case ChainChange::kPassOn:
            PassOn(WM_CHANGECBCHAIN, wp, lp);
            break;
    }
}

}  // namespace nimbara
