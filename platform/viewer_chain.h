// Membership of the clipboard viewer chain: the windows the system tells of every
// clipboard change, each passing the notice on to the one after it. A member that
// ends without leaving cuts off every viewer after it, so the owner leaves in its
// destructor, as a handle owner closes its handle.
#pragma once

#include <windows.h>

namespace nimbara {

class ViewerChainMembership {
public:
    ViewerChainMembership() noexcept = default;
    ViewerChainMembership(ViewerChainMembership&& other) noexcept;
    ViewerChainMembership& operator=(ViewerChainMembership&& other) noexcept;
    ViewerChainMembership(const ViewerChainMembership&) = delete;
    ViewerChainMembership& operator=(const ViewerChainMembership&) = delete;
    ~ViewerChainMembership() { Leave(); }

    // Makes `window` a member, after leaving with any window held before. The system
    // sends `window` a change notice before this returns: joined() is true by then,
    // and there is no next viewer yet to pass it to.
    void Join(HWND window) noexcept;
    void Leave() noexcept;
    [[nodiscard]] bool joined() const noexcept { return window_ != nullptr; }

    // Passes a notice on to the next viewer, if any, without waiting for it: a viewer
    // that hangs must not hang this program, nor the program that changed the clipboard.
    void PassOn(UINT msg, WPARAM wp, LPARAM lp) const noexcept;

    // WM_CHANGECBCHAIN: window `wp` leaves the chain and `lp` followed it. When it is
    // the next viewer, `lp` takes its place; otherwise the notice is passed on.
    void ChainChanged(WPARAM wp, LPARAM lp) noexcept;

private:
    HWND window_ = nullptr;  // the member; nullptr when not in the chain
    HWND next_ = nullptr;    // the viewer after it; nullptr when it is the last
};

}  // namespace nimbara
