#include "platform/viewer_chain.h"

#include <utility>

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
    // The member following itself would pass every notice to itself without end. The
    // system never says so; a stray or hostile message can.
    if (!window_ || reinterpret_cast<HWND>(lp) == window_) return;
    if (reinterpret_cast<HWND>(wp) == next_) {
        next_ = reinterpret_cast<HWND>(lp);
    } else {
        PassOn(WM_CHANGECBCHAIN, wp, lp);
    }
}

}  // namespace nimbara
